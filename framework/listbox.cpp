#include "framework/listbox.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QPainter>
#include <QResizeEvent>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <algorithm>
#include <cstdlib>

#include "framework/graphics.h"
#include "framework/gui_private.h"

namespace rb {

namespace {

class ListModel : public QAbstractTableModel {
 public:
  Listbox* box = nullptr;

  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() || !box ? 0 : box->ListCount();
  }
  int columnCount(const QModelIndex& parent) const override {
    return parent.isValid() || !box ? 0 : std::max(1, box->ColumnCount());
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!box || !index.isValid()) return {};
    const auto& rows = box->_Rows();
    size_t r = static_cast<size_t>(index.row()), c = static_cast<size_t>(index.column());
    if (r >= rows.size()) return {};
    const Listbox::Row& row = rows[r];
    if (role == Qt::DisplayRole) {
      return c < row.cells.size() ? QVariant(ToQ(row.cells[c])) : QVariant();
    }
    if (role == Qt::CheckStateRole && box->ColumnType(index.column()) == Listbox::TypeCheckbox) {
      bool on = c < row.checks.size() && row.checks[c];
      return on ? Qt::Checked : Qt::Unchecked;
    }
    return {};
  }
  bool setData(const QModelIndex& index, const QVariant& value, int role) override {
    if (!box || !index.isValid() || role != Qt::CheckStateRole) return false;
    bool on = value.toInt() == Qt::Checked;
    Listbox* b = box;
    GuardedCall([&] { b->_UserChecked(index.row(), index.column(), on); });
    return true;
  }
  Qt::ItemFlags flags(const QModelIndex& index) const override {
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (box && index.isValid() && box->ColumnType(index.column()) == Listbox::TypeCheckbox)
      f |= Qt::ItemIsUserCheckable;
    return f;
  }
  QVariant headerData(int section, Qt::Orientation o, int role) const override {
    if (!box || o != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return ToQ(box->Heading(section));
  }

  void BeginInsert(int first, int last) { beginInsertRows({}, first, last); }
  void EndInsert() { endInsertRows(); }
  void BeginRemove(int first, int last) { beginRemoveRows({}, first, last); }
  void EndRemove() { endRemoveRows(); }
  void BeginReset() { beginResetModel(); }
  void EndReset() { endResetModel(); }
  void Changed(int row, int column) {
    QModelIndex i = index(row, column);
    emit dataChanged(i, i);
  }
  void ColumnsChanged() {
    beginResetModel();
    endResetModel();
  }
};

class CellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  ListModel* model = nullptr;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    Listbox* box = model ? model->box : nullptr;
    if (box && box->_HasCellBackgroundPaint()) {
      painter->save();
      painter->translate(option.rect.topLeft());
      painter->setClipRect(QRect(0, 0, option.rect.width(), option.rect.height()));
      Graphics g(painter, option.rect.width(), option.rect.height());
      GuardedPaintCall([&] { box->_PaintCellBackground(g, index.row(), index.column()); });
      painter->restore();
    }
    QStyledItemDelegate::paint(painter, option, index);
  }
};

class ListView : public OwnedWidget<QTreeView> {
 public:
  ListModel* model = nullptr;

 protected:
  void resizeEvent(QResizeEvent* e) override {
    QTreeView::resizeEvent(e);
    if (auto* b = static_cast<Listbox*>(owner)) b->_ApplyColumnWidths();
  }
};

}  // namespace

struct Listbox::Private {
  QPointer<ListView> view;
  QPointer<ListModel> model;
};

Listbox::Listbox() : RectControl(NewWidget<ListView>()), d_(std::make_unique<Private>()) {
  auto* view = static_cast<ListView*>(_Widget());
  auto* model = new ListModel;
  model->setParent(view);
  model->box = this;
  view->model = model;
  view->setModel(model);
  auto* delegate = new CellDelegate(view);
  delegate->model = model;
  view->setItemDelegate(delegate);
  view->setRootIsDecorated(false);
  view->setIndentation(0);
  view->header()->setMinimumSectionSize(0);
  view->setUniformRowHeights(true);
  view->setItemsExpandable(false);
  view->setAllColumnsShowFocus(true);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  view->header()->setStretchLastSection(false);
  view->header()->setSectionResizeMode(QHeaderView::Interactive);
  view->header()->hide();
  d_->view = view;
  d_->model = model;
  QObject::connect(view, &QAbstractItemView::doubleClicked, [view](const QModelIndex&) {
    if (auto* b = static_cast<Listbox*>(view->owner)) {
      Ref<Listbox> keep(b);
      GuardedCall([b] { b->_DoubleClick(); });
    }
  });
  QObject::connect(view->selectionModel(), &QItemSelectionModel::currentChanged,
                   [view](const QModelIndex& now, const QModelIndex&) {
                     if (!now.isValid()) return;
                     if (auto* b = static_cast<Listbox*>(view->owner)) {
                       Ref<Listbox> keep(b);
                       GuardedCall([&] { b->_CellGotFocus(now.row(), now.column()); });
                     }
                   });
  FontChanged();
}

Listbox::~Listbox() {
  if (d_->model) d_->model->box = nullptr;
}

void Listbox::FontChanged() { RectControl::FontChanged(); }

// ---- Columns -----------------------------------------------------------------------------

void Listbox::SetColumnCount(int n) {
  if (n < 1) n = 1;
  if (n == columnCount_) return;
  columnCount_ = n;
  if (d_->model) d_->model->ColumnsChanged();
  _ApplyColumnWidths();
}

void Listbox::SetColumnWidths(const String& widths) {
  columnWidths_ = widths;
  _ApplyColumnWidths();
}

static std::vector<int> ComputeWidths(const std::string& spec, int columns, int total) {
  struct Entry {
    enum { Pixels, Percent, Share } kind;
    double value;
  };
  std::vector<std::string> tokens;
  if (!spec.empty()) {
    size_t pos = 0;
    for (;;) {
      size_t comma = spec.find(',', pos);
      tokens.push_back(spec.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos));
      if (comma == std::string::npos) break;
      pos = comma + 1;
    }
  }
  std::vector<Entry> entries;
  for (int c = 0; c < columns; ++c) {
    std::string e = static_cast<size_t>(c) < tokens.size() ? tokens[static_cast<size_t>(c)] : std::string();
    while (!e.empty() && e.front() == ' ') e.erase(e.begin());
    while (!e.empty() && e.back() == ' ') e.pop_back();
    if (e.empty()) entries.push_back({Entry::Share, 1});
    else if (e.back() == '%') entries.push_back({Entry::Percent, std::atof(e.c_str())});
    else if (e.back() == '*') entries.push_back({Entry::Share, e.size() == 1 ? 1.0 : std::atof(e.c_str())});
    else entries.push_back({Entry::Pixels, std::atof(e.c_str())});
  }
  std::vector<int> widths(static_cast<size_t>(columns), 0);
  int fixed = 0;
  double shares = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].kind == Entry::Pixels) widths[i] = static_cast<int>(entries[i].value);
    else if (entries[i].kind == Entry::Percent) widths[i] = static_cast<int>(total * entries[i].value / 100.0);
    else shares += entries[i].value;
    if (entries[i].kind != Entry::Share) fixed += widths[i];
  }
  int left = std::max(0, total - fixed);
  int given = 0, lastShare = -1;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].kind != Entry::Share || shares <= 0) continue;
    widths[i] = static_cast<int>(left * entries[i].value / shares);
    given += widths[i];
    lastShare = static_cast<int>(i);
  }
  if (lastShare >= 0) widths[static_cast<size_t>(lastShare)] += left - given;
  return widths;
}

static int AvailableWidth(QTreeView* view, int controlWidth) {
  if (view->isVisible()) return view->viewport()->width();
  return std::max(0, controlWidth - 2 * view->frameWidth());
}

int Listbox::ColumnWidthActual(int column) const {
  if (column < 0 || column >= columnCount_) throw OutOfBoundsException();
  ListView* v = d_->view;
  int total = v ? AvailableWidth(v, Width()) : Width();
  return ComputeWidths(columnWidths_.Utf8(), columnCount_, total)[static_cast<size_t>(column)];
}

void Listbox::_ApplyColumnWidths() {
  ListView* v = d_->view;
  if (!v) return;
  std::vector<int> w = ComputeWidths(columnWidths_.Utf8(), columnCount_, AvailableWidth(v, Width()));
  for (int c = 0; c < columnCount_; ++c) v->header()->resizeSection(c, w[static_cast<size_t>(c)]);
}

int Listbox::ColumnType(int column) const {
  if (column < 0 || static_cast<size_t>(column) >= columnTypes_.size()) return TypeDefault;
  return columnTypes_[static_cast<size_t>(column)];
}

void Listbox::SetColumnType(int column, int type) {
  if (column < 0) throw OutOfBoundsException();
  if (static_cast<size_t>(column) >= columnTypes_.size()) columnTypes_.resize(static_cast<size_t>(column) + 1, 0);
  if (columnTypes_[static_cast<size_t>(column)] == type) return;
  columnTypes_[static_cast<size_t>(column)] = type;
  if (ListView* v = d_->view) v->viewport()->update();
}

void Listbox::SetHasHeading(bool v) {
  hasHeading_ = v;
  if (ListView* view = d_->view) view->header()->setVisible(v);
}

String Listbox::Heading(int column) const {
  if (column < 0 || static_cast<size_t>(column) >= headings_.size()) return String();
  return headings_[static_cast<size_t>(column)];
}

void Listbox::SetHeading(int column, const String& text) {
  if (column < 0) throw OutOfBoundsException();
  if (static_cast<size_t>(column) >= headings_.size()) headings_.resize(static_cast<size_t>(column) + 1);
  headings_[static_cast<size_t>(column)] = text;
  if (d_->model) emit d_->model->headerDataChanged(Qt::Horizontal, column, column);
}

void Listbox::SetSelectionType(int t) {
  selectionType_ = t;
  if (ListView* v = d_->view)
    v->setSelectionMode(t == 1 ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

int Listbox::DefaultRowHeight() const {
  ListView* v = d_->view;
  if (!v) return 16;
  if (!rows_.empty() && d_->model) {
    int h = v->sizeHintForRow(0);
    if (h > 0) return h;
  }
  return v->fontMetrics().height() + 2;
}

// ---- Rows ---------------------------------------------------------------------------------

void Listbox::AddRow(const String& text) { AddRow({text}); }

void Listbox::AddRow(std::initializer_list<String> cells) {
  int r = ListCount();
  if (d_->model) d_->model->BeginInsert(r, r);
  Row row;
  row.cells.assign(cells.begin(), cells.end());
  rows_.push_back(std::move(row));
  if (d_->model) d_->model->EndInsert();
  lastIndex_ = r;
}

void Listbox::InsertRow(int row, const String& text) {
  if (row < 0) row = 0;
  if (row > ListCount()) row = ListCount();
  if (d_->model) d_->model->BeginInsert(row, row);
  Row r;
  r.cells.push_back(text);
  rows_.insert(rows_.begin() + row, std::move(r));
  if (d_->model) d_->model->EndInsert();
  lastIndex_ = row;
}

void Listbox::RemoveRow(int row) {
  if (row < 0 || row >= ListCount()) throw OutOfBoundsException();
  if (d_->model) d_->model->BeginRemove(row, row);
  rows_.erase(rows_.begin() + row);
  if (d_->model) d_->model->EndRemove();
}

void Listbox::DeleteAllRows() {
  if (d_->model) d_->model->BeginReset();
  rows_.clear();
  if (d_->model) d_->model->EndReset();
  lastIndex_ = -1;
}

void Listbox::CheckCell(int row, int column) const {
  if (row < 0 || row >= ListCount() || column < 0 || column >= std::max(columnCount_, 1))
    throw OutOfBoundsException();
}

String Listbox::Cell(int row, int column) const {
  CheckCell(row, column);
  const Row& r = rows_[static_cast<size_t>(row)];
  return static_cast<size_t>(column) < r.cells.size() ? r.cells[static_cast<size_t>(column)] : String();
}

void Listbox::SetCell(int row, int column, const String& text) {
  CheckCell(row, column);
  Row& r = rows_[static_cast<size_t>(row)];
  if (static_cast<size_t>(column) >= r.cells.size()) r.cells.resize(static_cast<size_t>(column) + 1);
  r.cells[static_cast<size_t>(column)] = text;
  if (d_->model) d_->model->Changed(row, column);
}

bool Listbox::CellCheck(int row, int column) const {
  CheckCell(row, column);
  const Row& r = rows_[static_cast<size_t>(row)];
  return static_cast<size_t>(column) < r.checks.size() && r.checks[static_cast<size_t>(column)];
}

void Listbox::SetCellCheck(int row, int column, bool value) {
  CheckCell(row, column);
  Row& r = rows_[static_cast<size_t>(row)];
  if (static_cast<size_t>(column) >= r.checks.size()) r.checks.resize(static_cast<size_t>(column) + 1, false);
  r.checks[static_cast<size_t>(column)] = value;
  if (d_->model) d_->model->Changed(row, column);
}

void Listbox::_UserChecked(int row, int column, bool value) {
  if (row < 0 || row >= ListCount()) return;
  SetCellCheck(row, column, value);
  RaiseCell("CellAction", row, column);
}

// ---- Selection ------------------------------------------------------------------------------

int Listbox::ListIndex() const {
  ListView* v = d_->view;
  if (!v || !v->selectionModel()) return -1;
  QModelIndexList rows = v->selectionModel()->selectedRows();
  if (rows.isEmpty()) return -1;
  int best = rows.first().row();
  for (const QModelIndex& i : rows) best = std::min(best, i.row());
  return best;
}

void Listbox::SetListIndex(int row) {
  ListView* v = d_->view;
  if (!v || !d_->model) return;
  if (row < 0 || row >= ListCount()) {
    v->selectionModel()->clearSelection();
    return;
  }
  QModelIndex i = d_->model->index(row, 0);
  v->selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

bool Listbox::Selected(int row) const {
  ListView* v = d_->view;
  if (row < 0 || row >= ListCount()) throw OutOfBoundsException();
  return v && d_->model && v->selectionModel()->isRowSelected(row, {});
}

void Listbox::SetSelected(int row, bool value) {
  ListView* v = d_->view;
  if (row < 0 || row >= ListCount()) throw OutOfBoundsException();
  if (!v || !d_->model) return;
  v->selectionModel()->select(d_->model->index(row, 0), (value ? QItemSelectionModel::Select
                                                               : QItemSelectionModel::Deselect) |
                                                            QItemSelectionModel::Rows);
}

int Listbox::SelCount() const {
  ListView* v = d_->view;
  return v && v->selectionModel() ? static_cast<int>(v->selectionModel()->selectedRows().size()) : 0;
}

int Listbox::RowFromXY(int x, int y) const {
  ListView* v = d_->view;
  if (!v) return -1;
  QPoint vp = v->viewport()->geometry().topLeft();
  QModelIndex i = v->indexAt(QPoint(x - vp.x(), y - vp.y()));
  return i.isValid() ? i.row() : -1;
}

int Listbox::ColumnFromXY(int x, int y) const {
  ListView* v = d_->view;
  if (!v) return -1;
  QPoint vp = v->viewport()->geometry().topLeft();
  QModelIndex i = v->indexAt(QPoint(x - vp.x(), y - vp.y()));
  return i.isValid() ? i.column() : -1;
}

int Listbox::ScrollPosition() const {
  ListView* v = d_->view;
  if (!v) return 0;
  QModelIndex i = v->indexAt(QPoint(1, 1));
  return i.isValid() ? i.row() : 0;
}

void Listbox::SetScrollPosition(int row) {
  ListView* v = d_->view;
  if (!v || !d_->model || row < 0 || row >= ListCount()) return;
  v->scrollTo(d_->model->index(row, 0), QAbstractItemView::PositionAtTop);
}

// ---- Events ----------------------------------------------------------------------------------

bool Listbox::_HasCellBackgroundPaint() const { return _HasEventHandler("CellBackgroundPaint"); }

bool Listbox::_PaintCellBackground(Graphics& g, int row, int column) {
  return RaiseCellPaint("CellBackgroundPaint", g, row, column);
}

void Listbox::_DoubleClick() { RaiseAction("DoubleClick"); }

void Listbox::_CellGotFocus(int row, int column) { RaiseCell("CellGotFocus", row, column); }

bool Listbox::_SetProperty(const char* name, const PropertyValue& v) {
  if (NameIs(name, "ColumnCount")) SetColumnCount(v.AsInteger());
  else if (NameIs(name, "ColumnWidths")) SetColumnWidths(v.AsText());
  else if (NameIs(name, "HasHeading")) SetHasHeading(v.AsBoolean());
  else if (NameIs(name, "SelectionType")) SetSelectionType(v.AsInteger());
  else if (NameIs(name, "InitialValue")) {
    String all = v.AsText();
    if (!all.Empty()) {
      int n = CountFields(all, String("\r"));
      for (int i = 1; i <= n; ++i) AddRow(NthField(all, String("\r"), i));
    }
  } else if (NameIs(name, "ScrollBarVertical") || NameIs(name, "ScrollbarVertical")) {
    if (ListView* view = d_->view)
      view->setVerticalScrollBarPolicy(v.AsBoolean() ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  } else if (NameIs(name, "ScrollBarHorizontal") || NameIs(name, "ScrollbarHorizontal")) {
    if (ListView* view = d_->view)
      view->setHorizontalScrollBarPolicy(v.AsBoolean() ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  } else if (NameIs(name, "HeadingIndex") || NameIs(name, "ColumnsResizable") ||
             NameIs(name, "ScrollBarsAutoHide") || NameIs(name, "GridLinesHorizontal") ||
             NameIs(name, "GridLinesVertical") || NameIs(name, "DefaultRowHeight") ||
             NameIs(name, "Hierarchical") || NameIs(name, "EnableDrag") ||
             NameIs(name, "EnableDragReorder") || NameIs(name, "RequiresSelection") ||
             NameIs(name, "DataField") || NameIs(name, "DataSource")) {
  } else return RectControl::_SetProperty(name, v);
  return true;
}

}  // namespace rb
