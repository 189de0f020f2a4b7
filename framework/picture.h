// Pictures: opened from image files or the program's resources.
#pragma once

#include <memory>
#include <string>

#include "framework/gui_types.h"

class QImage;

namespace rb {

class FolderItem;

class Picture : public Object {
 public:
  // A new picture, white, of the given size.
  Picture(int width, int height);
  ~Picture() override;

  // Opens an image file with the toolkit's image readers; nil when the
  // file cannot be read or decoded.
  static Ref<Picture> Open(const Ref<FolderItem>& file);
  static Ref<Picture> OpenPath(const std::string& path);

  int Width() const;
  int Height() const;

  // Framework-internal.
  const QImage& _Image() const;
  explicit Picture(const QImage& image);

 private:
  std::unique_ptr<QImage> image_;
};

// The program's own pictures, read from <application folder>/Resources.
class ResourceFork : public Object {
 public:
  // The picture <id>.png; nil when there is none.
  Ref<Picture> GetPicture(int id);
  // How many pictures were read from disk so far (for tests).
  static int _LoadCount();
};

// The application's resources; never nil.
Ref<ResourceFork> ApplicationResourceFork();
// Shorthand for ApplicationResourceFork()->GetPicture(id).
Ref<Picture> GetPicture(int id);

}  // namespace rb
