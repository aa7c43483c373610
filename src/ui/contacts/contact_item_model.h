#pragma once

// The contact tree as a Qt item model, one column, for TVuserlist. It follows the tree through
// ContactTreeObserver and changes nothing in it; captions are converted from CP949 when shown
// (bytes that are not CP949 show as U+FFFD, the records keep them).

#include <QAbstractItemModel>
#include <QIcon>

#include "core/contacts/contact_tree.h"

namespace kv {

class ContactItemModel final : public QAbstractItemModel, private ContactTreeObserver {
    Q_OBJECT
public:
    static constexpr const char* kMimeType = "application/x-kestrovane-contact";

    explicit ContactItemModel(ContactTree& tree, QObject* parent = nullptr);
    ~ContactItemModel() override;

    ContactNode* NodeAt(const QModelIndex& index) const;
    QModelIndex IndexOf(const ContactNode* node) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;

signals:
    // The tree's expanded flag of a node changed; the view follows it.
    void expandedChanged(const QModelIndex& index, bool expanded);

private:
    void BeginInsert(ContactNode* parent, std::size_t row) override;
    void EndInsert() override;
    void BeginRemove(ContactNode* parent, std::size_t row) override;
    void EndRemove() override;
    void BeginMove(ContactNode* from, std::size_t row, ContactNode* to, std::size_t toRow) override;
    void EndMove() override;
    void BeginReset() override;
    void EndReset() override;
    void CaptionChanged(ContactNode* node) override;
    void ExpandedChanged(ContactNode* node) override;
    void TreeGone() override;

    ContactTree* FTree;
    QIcon FIcons[2];
    ContactNode* FMoving = nullptr;
    bool FMoveAsReset = false;
};

}  // namespace kv
