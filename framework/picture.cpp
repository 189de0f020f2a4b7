#include "framework/picture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>

#include "framework/folder_item.h"
#include "framework/gui_private.h"
#include "framework/runtime.h"
#include "platform/at_path.h"

namespace rb {

Picture::Picture(int width, int height) {
  EnsureGuiApplication();
  image_ = std::make_unique<QImage>(width > 0 ? width : 1, height > 0 ? height : 1, QImage::Format_ARGB32);
  image_->fill(Qt::white);
}

Picture::Picture(const QImage& image) : image_(std::make_unique<QImage>(image)) {}

Picture::~Picture() = default;

Ref<Picture> Picture::OpenPath(const std::string& path) {
  EnsureGuiApplication();
  // Read the bytes ourselves: a file name need not be valid UTF-8, and a
  // path may be longer than one system call takes.
  platform::AtPath at(path);
  int fd = openat(at.dir(), at.name(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return nullptr;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  QFile file;
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    close(fd);
    return nullptr;
  }
  QByteArray data = file.readAll();
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  reader.setAutoTransform(true);
  QImage img = reader.read();
  if (img.isNull() || img.width() <= 0 || img.height() <= 0) return nullptr;
  return Ref<Picture>::New(img);
}

Ref<Picture> Picture::Open(const Ref<FolderItem>& file) {
  if (!file) return nullptr;
  return OpenPath(file->Path());
}

int Picture::Width() const { return image_->width(); }
int Picture::Height() const { return image_->height(); }
const QImage& Picture::_Image() const { return *image_; }

namespace {
int& LoadCounter() {
  static int n = 0;
  return n;
}
}  // namespace

Ref<Picture> ResourceFork::GetPicture(int id) {
  ++LoadCounter();
  return Picture::OpenPath(ApplicationFolderPath() + "/Resources/" + std::to_string(id) + ".png");
}

int ResourceFork::_LoadCount() { return LoadCounter(); }

Ref<ResourceFork> ApplicationResourceFork() { return Ref<ResourceFork>::New(); }

Ref<Picture> GetPicture(int id) { return ApplicationResourceFork()->GetPicture(id); }

}  // namespace rb
