#pragma once

// TVuserlist: the main window's contact tree view over a ContactTree. No root lines or
// buttons, 19-pixel indent, white with a 4-pixel inner border, selection kept visible without
// the focus, a right click selects, no in-place editing, no sorting, no Tab focus; a drag
// starts on a left-button drag of a node, which becomes the selected node.
//
// The handlers that belong to the contact commands are hooks set by the main window; unset,
// they do nothing (and a drop is refused). Everything runs on the user-interface thread.

#include <QTreeView>

#include <functional>

#include "ui/contacts/contact_item_model.h"

namespace kv {

class ContactItemDelegate;

class TVuserlist final : public QTreeView {
    Q_OBJECT
public:
    // Where a point of the viewport falls, as the context menus need to know.
    enum class HitArea {
        Nowhere,  // below the last node
        Indent,   // left of a node's image
        Image,
        Label,         // on the caption's text
        RightOfLabel,  // the row's empty part after the caption
    };
    struct Hit {
        HitArea area = HitArea::Nowhere;
        ContactNode* node = nullptr;  // nullptr for Nowhere
    };

    explicit TVuserlist(ContactTree& tree, QWidget* parent = nullptr);
    ~TVuserlist() override;

    ContactItemModel& Model() const { return *FModel; }

    ContactNode* Selected() const;
    void Select(ContactNode* node);

    Hit HitTest(const QPoint& viewportPos) const;
    // The image's and the caption's rectangles of a shown node, in viewport coordinates.
    QRect ImageRect(const ContactNode* node) const;
    QRect LabelRect(const ContactNode* node) const;

    std::function<void()> OnDblClick;                           // actSendTextExecute
    std::function<bool(const QPoint& viewportPos)> OnDragOver;  // accept flag
    std::function<void(const QPoint& viewportPos)> OnDragDrop;
    std::function<void(Qt::MouseButton, const QPoint& viewportPos)> OnMouseUp;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void updateGeometries() override;

private:
    struct ItemGeometry {
        QRect row;  // from the node's indent to the right edge of the column
        QRect image;
        QRect label;
    };
    ItemGeometry Geometry(const QModelIndex& index) const;

    ContactItemModel* FModel;
    ContactItemDelegate* FDelegate;
};

}  // namespace kv
