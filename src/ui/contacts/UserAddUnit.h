#pragma once

// TUserAddForm: the add-partner dialog, in one of three modes chosen by its opener: add (the
// member types a new partner's number and nickname), confirm (the server asked for a
// confirmation of a registration; the dialog sends it itself, its OK usable after 5 seconds)
// and details (an existing partner's number and nickname, to change them).
//
// QtUserAddDialogs opens it for the contact commands. Everything runs on the user-interface
// thread.

#include <QDialog>

#include <cstdint>

#include "core/contacts/contact_commands.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace kv {

class TVANE;

class TUserAddForm final : public QDialog {
    Q_OBJECT
public:
    static constexpr std::int32_t kAdd = 1;
    static constexpr std::int32_t kConfirm = 2;
    static constexpr std::int32_t kDetails = 3;

    // `conn` is the connection the confirmation is sent on; it outlives the dialog.
    explicit TUserAddForm(TVANE& conn, QWidget* owner = nullptr);

    // Set the mode, the title and the contents; called once, before the dialog is shown.
    void SetUpAdd();
    void SetUpConfirm(const UserAddValues& pending);
    void SetUpDetails(const ABuddy& partner);

    std::int32_t FMode = kAdd;

    // The boxes' texts (CP949).
    UserAddValues Values() const;

    QLabel* Label2 = nullptr;
    QComboBox* cbNation = nullptr;
    QComboBox* cbPreNum = nullptr;
    QLineEdit* edNumber = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* edNickName = nullptr;
    QLabel* lbVtNumber = nullptr;
    QLineEdit* edVtNumber = nullptr;
    QCheckBox* cbSendMsg = nullptr;
    QWidget* Bevel1 = nullptr;
    QLabel* info = nullptr;
    QPushButton* OkBtn = nullptr;
    QPushButton* Button2 = nullptr;
    QTimer* DelayTimer = nullptr;

    void DelayTimerTimer();
    void OkBtnClick();
    void Button2Click();

protected:
    void showEvent(QShowEvent* event) override;  // FormShow
    void resizeEvent(QResizeEvent* event) override;

private:
    void FormShow();
    void PlaceButtons();

    TVANE& FConn;
    bool FShown = false;
};

// Opens TUserAddForm for the contact commands: add and details mode wait for the dialog to
// close; each confirm dialog stays open on its own, owned by `owner`, until it is closed.
class QtUserAddDialogs final : public UserAddDialogs {
public:
    QtUserAddDialogs(TVANE& conn, QWidget* owner) : FConn(conn), FOwner(owner) {}

    std::optional<UserAddValues> AddPartner() override;
    std::optional<UserAddValues> PartnerDetails(const ABuddy& partner) override;
    void ConfirmPartner(const UserAddValues& pending) override;

private:
    std::optional<UserAddValues> Wait(TUserAddForm& form);

    TVANE& FConn;
    QWidget* FOwner;
};

}  // namespace kv
