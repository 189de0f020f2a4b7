// The folder walk: every file below a folder whose name equals the name
// being searched for becomes a ticked row of the results list.
#pragma once

#include <cstdint>

#include "framework/folder_item.h"
#include "framework/listbox.h"

namespace Search {

// Rows in the results list: 0 at the start of a search, one more per row
// the walk adds, one less per row the duplicate filter removes.
inline int32_t FoundFiles = 0;

// Walks the folder and everything below it, depth first in listing order,
// for Extension::Filename (compared ignoring case). Folders are never
// results and symbolic links are never followed; a folder that cannot be
// read adds nothing. The walk ends at the first yield after Quit.
void Run(const rb::Ref<rb::FolderItem>& folder);

// The results list of the open results window; nil while that window is
// closed (asking builds none). A pass that yields checks with it that its
// list is still there: closing the window discards the list and its rows.
rb::Ref<rb::Listbox> OpenResultsList();

}  // namespace Search
