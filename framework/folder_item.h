// Items of the file system, addressed by absolute POSIX path bytes.
//
// A symbolic link is an item of its own and is never followed: it is not a
// folder, and it exists even when it points nowhere.
#pragma once

#include <string>

#include "framework/object.h"
#include "framework/rbstring.h"
#include "framework/streams.h"

namespace rb {

// LastErrorCode values.
namespace FileErrors {
constexpr int None = 0;
constexpr int DestinationMissing = 100;  // the destination folder does not exist
constexpr int NotFound = 101;            // the item does not exist
constexpr int AccessDenied = 102;
constexpr int NoSpace = 103;  // disk full, quota or memory
constexpr int InUse = 104;
constexpr int InvalidName = 105;
constexpr int AlreadyExists = 106;
constexpr int NotAFile = 107;  // a folder or special file where a file is needed
constexpr int NotEmpty = 108;  // a folder that still holds items
constexpr int IOError = 109;   // anything else
}  // namespace FileErrors

class FolderItem : public Object {
 public:
  // Normalised: "//" and "." components dropped, ".." taken lexically, no
  // trailing slash except for "/". A relative path counts from the
  // application's folder.
  explicit FolderItem(std::string absolutePathBytes);

  const std::string& Path() const { return path_; }
  // Last component, bytes tagged UTF8 even when they are not valid UTF-8;
  // "/" for the root.
  String Name() const;
  // The path; a folder's ends in "/".
  String AbsolutePath() const;
  // The name as readable text (invalid bytes as U+FFFD).
  String DisplayName() const;
  // Nil when the name is empty, ".", ".." or holds "/" or a zero byte.
  Ref<FolderItem> Child(const String& name) const;
  // Nil for "/".
  Ref<FolderItem> Parent() const;

  bool Exists() const;
  // Exists, telling why not: false with LastErrorCode NotFound when the item
  // or a folder above it does not exist, AccessDenied when permission is
  // refused on the way, IOError (with the words) for the rest.
  bool Reachable();
  bool Directory() const;
  // True for a symbolic link, whether or not it leads anywhere.
  bool IsLink() const;
  // The item a symbolic link leads to, through every link of a chain, by a
  // path whose last part is no link; nil for an item that is no link and
  // for a link that leads nowhere.
  Ref<FolderItem> LinkTarget() const;
  bool IsWriteable() const;
  // Bytes of a file; 0 for a folder or a missing item.
  double Length() const;
  // Seconds since 1904-01-01 00:00 UTC; 0 for a missing item.
  double ModificationDate() const;

  int LastErrorCode() const { return lastError_; }
  String LastErrorText() const { return String(lastErrorText_); }

  // Copies the file into the destination folder under the same name, or, when
  // the destination is not a folder, to that item. Never replaces an existing
  // item; keeps the modification time, permissions and extended attributes;
  // on failure nothing is left behind. A symbolic link is copied as a link.
  void CopyFileTo(const Ref<FolderItem>& destination);
  // Renames the item to the target's path, in the same file system,
  // replacing a file there. False on failure (LastErrorCode says why).
  bool MoveTo(const Ref<FolderItem>& target);
  // Removes a file, a link or an empty folder.
  bool Delete();
  bool CreateAsFolder();

  // Openers answer nil on failure (LastErrorCode says why).
  Ref<TextOutputStream> CreateTextFile();
  Ref<TextInputStream> OpenAsTextFile();
  Ref<BinaryStream> OpenAsBinaryFile(bool readWrite = false);
  Ref<BinaryStream> CreateBinaryFile();

 private:
  void ClearError();
  void SetError(int code, const std::string& text);
  void SetErrno(int err, const std::string& what, bool destination = false);
  int OpenFile(int flags, const char* action);

  std::string path_;
  int lastError_ = 0;
  std::string lastErrorText_;
};

// An absolute path as is; a relative path or bare name against the
// application's folder. Nil for the empty text and when the parent folder
// does not exist; the item itself need not exist.
Ref<FolderItem> GetFolderItem(const String& path, int pathType = 0);
// "/" for 0; nil otherwise.
Ref<FolderItem> Volume(int index);
// "/Documents" when it exists, else the home folder.
Ref<FolderItem> SpecialFolderDocuments();

}  // namespace rb
