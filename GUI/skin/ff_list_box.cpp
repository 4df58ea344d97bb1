#include "skin/ff_list_box.h"

#include <QScopedValueRollback>

#include <utility>
#include <vector>

#include "skin/skin_parser.h"
#include "skin/skin_widget.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

const QColor kDisabledText = SkinDisabledTextColor();

class LineDelegate : public QStyledItemDelegate {
public:
    explicit LineDelegate(CFFListBox* list) : QStyledItemDelegate(list), list_(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        CFFListBox::ColorRole background = CFFListBox::NormalBackground;
        CFFListBox::ColorRole text = CFFListBox::NormalText;
        if (index.row() == list_->CurrentLine()) {
            background = CFFListBox::CurrentBackground;
            text = CFFListBox::CurrentText;
        } else if (list_->IsLineSelected(index.row())) {
            background = CFFListBox::SelectedBackground;
            text = CFFListBox::SelectedText;
        }
        painter->save();
        painter->fillRect(option.rect, list_->Color(background));
        painter->setFont(option.font);
        painter->setPen(list_->isEnabled() ? list_->Color(text) : kDisabledText);
        painter->setClipRect(option.rect);
        painter->drawText(option.rect.adjusted(2, 0, -2, 0),
                          Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
                          index.data(Qt::DisplayRole).toString());
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return QSize(1, list_->LineHeight());
    }

private:
    CFFListBox* list_;
};

} // namespace

CFFListBox::CFFListBox(QWidget* parent) : QListWidget(parent) {
    for (int role = 0; role < ColorRoleCount; ++role)
        colors_[role] = DefaultColor(ColorRole(role));
    setItemDelegate(new LineDelegate(this));
    setSelectionMode(QAbstractItemView::MultiSelection);
    setUniformItemSizes(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    SetColor(NormalBackground, colors_[NormalBackground]);
}

QColor CFFListBox::DefaultColor(ColorRole role) {
    switch (role) {
    case NormalBackground:
        return QColor(255, 255, 255);
    case NormalText:
        return QColor(0, 0, 0);
    case SelectedBackground:
        return QColor(10, 36, 106);
    case SelectedText:
        return QColor(255, 255, 255);
    case CurrentBackground:
        return QColor(166, 202, 240);
    case CurrentText:
    case ColorRoleCount:
        break;
    }
    return QColor(0, 0, 0);
}

bool CFFListBox::LoadSkin(CSkinParser& parser, const char* section, int index) {
    if (!parser.FindSection(section))
        return false;
    parser.SetKeyIndex(index);
    QPoint position = pos();
    QPoint unusedPoint;
    QSize size = this->size();
    QColor colors[ColorRoleCount];
    std::copy(std::begin(colors_), std::end(colors_), colors);
    QFont skinFont = font();
    bool hasPosition = false, hasSize = false, hasFont = false;
    while (parser.NextAttribute()) {
        if (parser.GetQuad("position", position, unusedPoint))
            hasPosition = true;
        else if (parser.GetSize("size", size))
            hasSize = true;
        else if (parser.GetColor("color_background", colors[NormalBackground]) ||
                 parser.GetColor("color_foreground", colors[NormalText]) ||
                 parser.GetColor("color_selbg", colors[SelectedBackground]) ||
                 parser.GetColor("color_sel", colors[SelectedText]) ||
                 parser.GetColor("color_currbg", colors[CurrentBackground]) ||
                 parser.GetColor("color_curr", colors[CurrentText]))
            continue;
        else if (parser.GetFont("font", skinFont))
            hasFont = true;
    }
    for (int role = 0; role < ColorRoleCount; ++role)
        SetColor(ColorRole(role), colors[role]);
    if (hasFont)
        setFont(skinFont);
    PlaceSkinnedControl(*this, hasPosition ? &position : nullptr, hasSize ? &size : nullptr);
    return true;
}

void CFFListBox::SetColor(ColorRole role, const QColor& color) {
    colors_[role] = color;
    if (role == NormalBackground || role == NormalText) {
        // The viewport and the scroll bar in the normal line colours: the scroll bar's
        // groove in the background, its handle and arrows a blend towards the text.
        const QColor back = colors_[NormalBackground];
        const QColor text = colors_[NormalText];
        const QColor handle((back.red() * 3 + text.red()) / 4,
                            (back.green() * 3 + text.green()) / 4,
                            (back.blue() * 3 + text.blue()) / 4);
        QPalette palette = this->palette();
        palette.setColor(QPalette::Base, back);
        palette.setColor(QPalette::Window, back);
        palette.setColor(QPalette::Button, handle);
        palette.setColor(QPalette::ButtonText, text);
        palette.setColor(QPalette::WindowText, text);
        palette.setColor(QPalette::Light, handle);
        palette.setColor(QPalette::Dark, back);
        palette.setColor(QPalette::Mid, handle);
        palette.setColor(QPalette::Shadow, back);
        setPalette(palette);
    }
    viewport()->update();
}

int CFFListBox::InsertLine(int index, const QString& text) {
    if (index < 0 || index > count())
        index = count();
    insertItem(index, text);
    return index;
}

void CFFListBox::SetLineText(int line, const QString& text) {
    if (QListWidgetItem* it = item(line))
        it->setText(text);
}

QString CFFListBox::LineText(int line) const {
    const QListWidgetItem* it = item(line);
    return it != nullptr ? it->text() : QString();
}

void CFFListBox::SetCurrentLine(int line) {
    if (line < 0 || line >= count())
        setCurrentIndex(QModelIndex());
    else
        setCurrentIndex(model()->index(line, 0));
    viewport()->update();
}

int CFFListBox::CurrentLine() const {
    const QModelIndex index = currentIndex();
    return index.isValid() ? index.row() : -1;
}

void CFFListBox::SetLineSelected(int line, bool selected) {
    if (line < 0 || line >= count())
        return;
    const QScopedValueRollback<bool> owner(ownerSelects_, true);
    selectionModel()->select(model()->index(line, 0), selected ? QItemSelectionModel::Select
                                                               : QItemSelectionModel::Deselect);
}

bool CFFListBox::IsLineSelected(int line) const {
    if (line < 0 || line >= count())
        return false;
    return selectionModel()->isSelected(model()->index(line, 0));
}

void CFFListBox::SetLineHeight(int height) {
    lineHeight_ = height;
    doItemsLayout();
}

int CFFListBox::LineHeight() const {
    return lineHeight_ > 0 ? lineHeight_ : fontMetrics().height() + 4;
}

void CFFListBox::selectionChanged(const QItemSelection& selected,
                                  const QItemSelection& deselected) {
    QListWidget::selectionChanged(selected, deselected);
    if (ownerSelects_)
        return;
    std::vector<std::pair<int, bool>> changes; // line, its selection before
    for (const QModelIndex& index : selected.indexes())
        changes.emplace_back(index.row(), false);
    for (const QModelIndex& index : deselected.indexes())
        if (index.isValid()) // rows being removed are no user's change
            changes.emplace_back(index.row(), true);
    for (const auto& [line, before] : changes) {
        SetLineSelected(line, before);
        OutsideSelect(line);
    }
}

QItemSelectionModel::SelectionFlags CFFListBox::selectionCommand(const QModelIndex&,
                                                                 const QEvent*) const {
    return QItemSelectionModel::NoUpdate; // only the owner selects
}

void CFFListBox::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::SelectAll)) {
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void CFFListBox::changeEvent(QEvent* event) {
    QListWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange && lineHeight_ == 0)
        doItemsLayout();
}
