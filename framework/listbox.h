// List of rows and columns, kept in the framework's own store.
#pragma once

#include <memory>
#include <vector>

#include "framework/control.h"
#include "framework/graphics.h"

namespace rb {

class Listbox : public RectControl {
 public:
  enum ColumnTypes { TypeDefault = 0, TypeNormal = 1, TypeCheckbox = 2 };

  Listbox();
  ~Listbox() override;

  int ColumnCount() const { return columnCount_; }
  void SetColumnCount(int n);
  // Column widths: pixels, "n%" of the list's width or "n*" shares of what
  // is left, separated by commas ("25,120,1*"). Columns without an entry
  // share what is left equally.
  String ColumnWidths() const { return columnWidths_; }
  void SetColumnWidths(const String& widths);
  // The width each column has now, in pixels.
  int ColumnWidthActual(int column) const;
  int ColumnType(int column) const;
  void SetColumnType(int column, int type);
  bool HasHeading() const { return hasHeading_; }
  void SetHasHeading(bool v);
  String Heading(int column) const;
  void SetHeading(int column, const String& text);
  // 0 single, 1 multiple.
  int SelectionType() const { return selectionType_; }
  void SetSelectionType(int t);
  int DefaultRowHeight() const;

  // Appends a row with the text in column 0 and sets LastIndex.
  void AddRow(const String& text);
  void AddRow(std::initializer_list<String> cells);
  void InsertRow(int row, const String& text);
  void RemoveRow(int row);
  void DeleteAllRows();
  int ListCount() const { return static_cast<int>(rows_.size()); }
  int LastIndex() const { return lastIndex_; }

  // Out-of-range rows and columns raise OutOfBoundsException.
  String Cell(int row, int column) const;
  void SetCell(int row, int column, const String& text);
  String List(int row) const { return Cell(row, 0); }
  bool CellCheck(int row, int column) const;
  void SetCellCheck(int row, int column, bool value);

  int ListIndex() const;
  void SetListIndex(int row);
  bool Selected(int row) const;
  void SetSelected(int row, bool value);
  int SelCount() const;

  // The row at a point in the list's own coordinates; -1 for none.
  int RowFromXY(int x, int y) const;
  int ColumnFromXY(int x, int y) const;
  int ScrollPosition() const;
  void SetScrollPosition(int row);

  bool _SetProperty(const char* name, const PropertyValue& value) override;

  // Framework-internal: the store the item model reads.
  struct Row {
    std::vector<String> cells;
    std::vector<bool> checks;
  };
  const std::vector<Row>& _Rows() const { return rows_; }
  void _UserChecked(int row, int column, bool value);
  bool _PaintCellBackground(Graphics& g, int row, int column);
  bool _HasCellBackgroundPaint() const;
  void _DoubleClick();
  void _CellGotFocus(int row, int column);
  void _ApplyColumnWidths();

 private:
  void FontChanged() override;
  void CheckCell(int row, int column) const;
  struct Private;
  std::unique_ptr<Private> d_;
  int columnCount_ = 1;
  String columnWidths_;
  std::vector<int> columnTypes_;
  std::vector<String> headings_;
  bool hasHeading_ = false;
  int selectionType_ = 0;
  std::vector<Row> rows_;
  int lastIndex_ = -1;
};

}  // namespace rb
