// What a drop delivers: one or more items, walked with NextItem.
#pragma once

#include <string>
#include <vector>

#include "framework/gui_types.h"

namespace rb {

class FolderItem;

class DragItem : public Object {
 public:
  struct Entry {
    std::string path;  // local file path bytes; empty when the item is no file
    String text;       // text carried by the item
  };
  explicit DragItem(std::vector<Entry> entries);
  ~DragItem() override;

  // Whether the current item carries a folder item.
  bool FolderItemAvailable() const;
  // The current item's folder item, or nil.
  Ref<rb::FolderItem> FolderItem() const;
  bool TextAvailable() const;
  String Text() const;
  // Moves to the next item; false when there is none.
  bool NextItem();
  int ItemCount() const { return static_cast<int>(entries_.size()); }

 private:
  std::vector<Entry> entries_;
  size_t current_ = 0;
};

}  // namespace rb
