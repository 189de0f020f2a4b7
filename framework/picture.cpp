#include "framework/picture.h"

#include <QImage>
#include <QImageReader>
#include <QBuffer>
#include <fstream>
#include <iterator>

#include "framework/folder_item.h"
#include "framework/gui_private.h"
#include "framework/runtime.h"

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
  // Read the bytes ourselves: a file name need not be valid UTF-8.
  std::ifstream in(path, std::ios::binary);
  if (!in) return nullptr;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
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
