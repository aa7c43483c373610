#pragma once

// TGroupSend ("그룹 전송"): one text of at most 80 bytes to many recipients, partners picked
// from the contact list and numbers typed in by hand, sent at once ("PS:") or at a reserved
// date and time ("PP:"). The main window fills it from the contact tree, shows it modally and
// destroys it; the server's acknowledgement is handled by the sign-in session.
//
// The dialog owns its recipient entries (RecipientLists); the contact tree's records are never
// put into its lists. Everything runs on the user-interface thread.

#include <QDateTime>
#include <QDialog>

#include <functional>
#include <memory>
#include <string>

#include "core/messaging/group_send.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QSpinBox;

namespace kv {

class ContactTree;
class MessageBoxes;
class RecipientListModel;
class TSendMemo;
class TVANE;
class WebBrowsers;
class WebWindow;

// What the dialog works with; all of it outlives the dialog.
struct GroupSendServices {
    TVANE* conn = nullptr;
    MessageBoxes* boxes = nullptr;
    WebBrowsers* web = nullptr;  // null: the emoticon and reserved-messages pages do not open
    // The local date and time the reserved-time controls start from; empty: the system clock.
    std::function<QDateTime()> now;
};

class TGroupSend final : public QDialog {
    Q_OBJECT
public:
    explicit TGroupSend(GroupSendServices services, QWidget* owner = nullptr);
    ~TGroupSend() override;

    // Appends an entry for every partner node of the tree, in tree order.
    void FillContacts(const ContactTree& tree);
    const RecipientLists& Lists() const { return FLists; }

    // Event handlers.
    void Button1Click();
    void Button2Click();
    void Button4Click();
    // The key filter of both number boxes: true when the key's character is dropped.
    bool edPhoneKeyPress(const QKeyEvent& key) const;
    void SendResClick();
    void SendTextChange();
    void SendBtnClick();
    void ReservedMsgClick();
    void Button3Click();
    void FormActivate();
    void FormClose();

    QGroupBox* GroupBox1 = nullptr;
    QListView* lbxUserList = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QListView* lbxSendList = nullptr;
    QLineEdit* edPhone = nullptr;
    QPushButton* Button4 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QLineEdit* edSendPhone = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QCheckBox* SendRes = nullptr;
    QDateEdit* SendDate = nullptr;
    QComboBox* SendTime = nullptr;
    QSpinBox* SendMin = nullptr;
    QPushButton* ReservedMsg = nullptr;
    QPushButton* Button3 = nullptr;
    QLabel* SendLeft = nullptr;
    QLabel* RecipientInfo = nullptr;  // recipients chosen and the balance
    TSendMemo* SendText = nullptr;
    QPushButton* SendBtn = nullptr;
    QPushButton* Button5 = nullptr;
    std::unique_ptr<WebWindow> GroupEmoticonWebForm;

    // Every way of closing ends here (close box, "닫기", Esc, a confirmed send).
    void done(int result) override;

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void ListsChanged();
    void ShowBox(const std::string& text, bool error);
    QDateTime Now() const;

    GroupSendServices FServices;
    RecipientLists FLists;
    RecipientListModel* FContactModel = nullptr;
    RecipientListModel* FSendModel = nullptr;
    bool FActivated = false;  // the reserved-time defaults have been set
};

}  // namespace kv
