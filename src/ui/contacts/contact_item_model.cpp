#include "ui/contacts/contact_item_model.h"

#include <QMimeData>

#include "qt/qt_text.h"
#include "ui/contacts/status_images.h"

namespace kv {

ContactItemModel::ContactItemModel(ContactTree& tree, QObject* parent)
    : QAbstractItemModel(parent), FTree(&tree), FIcons{StatusIcon(0), StatusIcon(1)} {
    FTree->SetObserver(this);
}

ContactItemModel::~ContactItemModel() {
    if (FTree)
        FTree->SetObserver(nullptr);
}

ContactNode* ContactItemModel::NodeAt(const QModelIndex& index) const {
    return index.isValid() && FTree ? static_cast<ContactNode*>(index.internalPointer()) : nullptr;
}

QModelIndex ContactItemModel::IndexOf(const ContactNode* node) const {
    if (!node)
        return {};
    return createIndex(static_cast<int>(node->Row()), 0, const_cast<ContactNode*>(node));
}

QModelIndex ContactItemModel::index(int row, int column, const QModelIndex& parent) const {
    if (!FTree || column != 0 || row < 0 || row >= rowCount(parent))
        return {};
    const ContactNode* holder = NodeAt(parent);
    return IndexOf(holder ? holder->Child(static_cast<std::size_t>(row))
                          : FTree->Root(static_cast<std::size_t>(row)));
}

QModelIndex ContactItemModel::parent(const QModelIndex& child) const {
    const ContactNode* node = NodeAt(child);
    return node ? IndexOf(node->Parent()) : QModelIndex();
}

int ContactItemModel::rowCount(const QModelIndex& parent) const {
    if (!FTree || parent.column() > 0)
        return 0;
    const ContactNode* holder = NodeAt(parent);
    return static_cast<int>(holder ? holder->ChildCount() : FTree->RootCount());
}

int ContactItemModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant ContactItemModel::data(const QModelIndex& index, int role) const {
    const ContactNode* node = NodeAt(index);
    if (!node)
        return {};
    switch (role) {
        case Qt::DisplayRole: return fromCp949(node->Caption());
        case Qt::DecorationRole: return FIcons[node->ImageIndex() == 0 ? 0 : 1];
        default: return {};
    }
}

Qt::ItemFlags ContactItemModel::flags(const QModelIndex& index) const {
    const ContactNode* node = NodeAt(index);
    if (!node)
        return Qt::NoItemFlags;
    // Never editable: captions are not edited in place.
    Qt::ItemFlags flags =
        Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
    // A partner never has children. Saying so keeps the view from holding an expanded entry
    // for each of them, which every later insert, move or removal would have to walk.
    if (node->Data() && node->Data()->Kind() == ANodeData::kBuddy)
        flags |= Qt::ItemNeverHasChildren;
    return flags;
}

QStringList ContactItemModel::mimeTypes() const {
    return {QString::fromLatin1(kMimeType)};
}

QMimeData* ContactItemModel::mimeData(const QModelIndexList& indexes) const {
    // The drag carries the caption bytes for outside readers; the tree's own drop handling
    // works on the selected node.
    auto* mime = new QMimeData;
    const ContactNode* node = indexes.isEmpty() ? nullptr : NodeAt(indexes.front());
    mime->setData(QString::fromLatin1(kMimeType),
                  node ? QByteArray::fromStdString(node->Caption()) : QByteArray());
    return mime;
}

Qt::DropActions ContactItemModel::supportedDragActions() const {
    return Qt::CopyAction | Qt::MoveAction;
}

Qt::DropActions ContactItemModel::supportedDropActions() const {
    return Qt::MoveAction;
}

void ContactItemModel::BeginInsert(ContactNode* parent, std::size_t row) {
    beginInsertRows(IndexOf(parent), static_cast<int>(row), static_cast<int>(row));
}

void ContactItemModel::EndInsert() {
    endInsertRows();
}

void ContactItemModel::BeginRemove(ContactNode* parent, std::size_t row) {
    beginRemoveRows(IndexOf(parent), static_cast<int>(row), static_cast<int>(row));
}

void ContactItemModel::EndRemove() {
    endRemoveRows();
}

void ContactItemModel::BeginMove(ContactNode* from, std::size_t row, ContactNode* to,
                                 std::size_t toRow) {
    const QModelIndex fromIndex = IndexOf(from);
    FMoving = from ? from->Child(row) : FTree->Root(row);
    FMoveAsReset = !beginMoveRows(fromIndex, static_cast<int>(row), static_cast<int>(row),
                                  IndexOf(to), static_cast<int>(toRow));
    if (FMoveAsReset)
        beginResetModel();
}

void ContactItemModel::EndMove() {
    if (FMoveAsReset)
        endResetModel();
    else
        endMoveRows();
    // A moved group keeps its expanded state in the tree; the view starts it collapsed.
    if (FMoving && FMoving->Expanded())
        emit expandedChanged(IndexOf(FMoving), true);
    FMoving = nullptr;
}

void ContactItemModel::BeginReset() {
    beginResetModel();
}

void ContactItemModel::EndReset() {
    endResetModel();
}

void ContactItemModel::CaptionChanged(ContactNode* node) {
    const QModelIndex i = IndexOf(node);
    emit dataChanged(i, i, {Qt::DisplayRole});
}

void ContactItemModel::ExpandedChanged(ContactNode* node) {
    emit expandedChanged(IndexOf(node), node->Expanded());
}

void ContactItemModel::TreeGone() {
    beginResetModel();
    FTree = nullptr;
    endResetModel();
}

}  // namespace kv
