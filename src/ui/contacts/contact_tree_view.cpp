#include "ui/contacts/contact_tree_view.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>

#include "ui/contacts/status_images.h"

namespace kv {

// The standard delegate, with the option it paints from made available to the hit test so
// that both agree on where the image and the caption are.
class ContactItemDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void Prepare(QStyleOptionViewItem* option, const QModelIndex& index) const {
        initStyleOption(option, index);
    }
};

namespace {

constexpr int kIndent = 19;
constexpr int kInnerBorder = 4;

QFont treeFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Gulim"), QStringLiteral("Noto Sans CJK KR")});
    font.setPixelSize(12);
    return font;
}

}  // namespace

TVuserlist::TVuserlist(ContactTree& tree, QWidget* parent)
    : QTreeView(parent),
      FModel(new ContactItemModel(tree, this)),
      FDelegate(new ContactItemDelegate(this)) {
    setObjectName(QStringLiteral("TVuserlist"));
    setAccessibleName(QStringLiteral("대화상대 목록"));
    setModel(FModel);
    setItemDelegate(FDelegate);
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setIndentation(kIndent);
    setIconSize(QSize(kStatusImageSize, kStatusImageSize));
    setUniformRowHeights(true);
    setAnimated(false);
    setSortingEnabled(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setExpandsOnDoubleClick(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setFocusPolicy(Qt::ClickFocus);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setDropIndicatorShown(false);
    setFont(treeFont());

    setFrameShape(QFrame::NoFrame);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Window, Qt::white);
    // The selection looks the same with and without the focus.
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        pal.setColor(QPalette::Inactive, role, pal.color(QPalette::Active, role));
    setPalette(pal);

    // The tree keeps the expanded flags; the view follows them and reports the member's own
    // expanding and collapsing back.
    connect(FModel, &ContactItemModel::expandedChanged, this,
            [this](const QModelIndex& index, bool expanded) { setExpanded(index, expanded); });
    connect(this, &QTreeView::expanded, this, [&tree, this](const QModelIndex& index) {
        if (ContactNode* node = FModel->NodeAt(index))
            tree.SetExpanded(node, true);
    });
    connect(this, &QTreeView::collapsed, this, [&tree, this](const QModelIndex& index) {
        if (ContactNode* node = FModel->NodeAt(index))
            tree.SetExpanded(node, false);
    });
}

TVuserlist::~TVuserlist() = default;

ContactNode* TVuserlist::Selected() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? nullptr : FModel->NodeAt(rows.front());
}

void TVuserlist::Select(ContactNode* node) {
    if (node)
        setCurrentIndex(FModel->IndexOf(node));
    else
        selectionModel()->clearSelection();
}

TVuserlist::ItemGeometry TVuserlist::Geometry(const QModelIndex& index) const {
    const ContactNode* node = FModel->NodeAt(index);
    const QRect visual = visualRect(index);
    if (!node || !visual.isValid())
        return {};
    // The row's cell starts after the node's indent, as the view paints it.
    const int indent = indentation() * (node->Level() + (rootIsDecorated() ? 1 : 0));
    const QRect row(columnViewportPosition(0) + indent, visual.top(), columnWidth(0) - indent,
                    visual.height());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = row;
    FDelegate->Prepare(&option, index);
    QStyle* s = style();
    const QRect image = s->subElementRect(QStyle::SE_ItemViewItemDecoration, &option, this);
    const QRect text = s->subElementRect(QStyle::SE_ItemViewItemText, &option, this);
    const int margin = s->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    const int textWidth = option.fontMetrics.horizontalAdvance(option.text) + 2 * margin;
    const QRect label(text.left(), text.top(), std::min(text.width(), textWidth), text.height());
    return {row, image, label};
}

QRect TVuserlist::ImageRect(const ContactNode* node) const {
    return Geometry(FModel->IndexOf(node)).image;
}

QRect TVuserlist::LabelRect(const ContactNode* node) const {
    return Geometry(FModel->IndexOf(node)).label;
}

TVuserlist::Hit TVuserlist::HitTest(const QPoint& pos) const {
    const QModelIndex index = indexAt(pos);
    ContactNode* node = FModel->NodeAt(index);
    if (!node)
        return {};
    const ItemGeometry g = Geometry(index);
    if (pos.x() < g.row.left())
        return {HitArea::Indent, node};
    if (g.image.contains(pos))
        return {HitArea::Image, node};
    if (g.label.contains(pos))
        return {HitArea::Label, node};
    // Between the row's start and the image, or the gap up to the caption, counts as the
    // image's margin; past the caption is the empty part of the row.
    if (pos.x() < g.label.left())
        return {HitArea::Image, node};
    return {HitArea::RightOfLabel, node};
}

void TVuserlist::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        // A right click selects the node under the pointer and starts nothing else.
        const QModelIndex index = indexAt(event->position().toPoint());
        if (index.isValid())
            setCurrentIndex(index);
        event->accept();
        return;
    }
    QTreeView::mousePressEvent(event);
}

void TVuserlist::mouseMoveEvent(QMouseEvent* event) {
    // Only a left-button drag starts dragging a node.
    if (state() == DraggingState && !(event->buttons() & Qt::LeftButton))
        return;
    QTreeView::mouseMoveEvent(event);
}

void TVuserlist::mouseReleaseEvent(QMouseEvent* event) {
    QTreeView::mouseReleaseEvent(event);
    if (OnMouseUp)
        OnMouseUp(event->button(), event->position().toPoint());
}

void TVuserlist::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && OnDblClick)
        OnDblClick();
}

void TVuserlist::dragEnterEvent(QDragEnterEvent* event) {
    // Only the tree's own nodes are dragged onto it.
    if (event->source() == this)
        event->acceptProposedAction();
    else
        event->ignore();
}

void TVuserlist::dragMoveEvent(QDragMoveEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->source() == this && OnDragOver && OnDragOver(pos))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TVuserlist::dropEvent(QDropEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->source() != this || !OnDragDrop) {
        event->ignore();
        return;
    }
    OnDragDrop(pos);
    // The drop handler changes the tree itself; the view must not remove the dragged row.
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void TVuserlist::updateGeometries() {
    QTreeView::updateGeometries();
    // The tree view sets its margins for the header here; the hidden header leaves room for
    // the inner border instead.
    const QMargins border(kInnerBorder, kInnerBorder, kInnerBorder, kInnerBorder);
    if (viewportMargins() != border)
        setViewportMargins(border);
}

}  // namespace kv
