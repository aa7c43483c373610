#pragma once

// TOptionForm: the modal dialog for auto-run, auto-login and the alarm sound. The main window
// gives it the settings' values and takes them back on OK; the dialog itself previews and
// stops the alarm sound on the main window's player and opens the ring-tone page, whose choice
// comes back into `alramfile` through the copy-data entry. Runs on the user-interface thread.

#include <QDialog>

#include <memory>
#include <string>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace kv {

class MediaPlayer;
class MessageBoxes;
class WebBrowsers;
class WebWindow;

// What the dialog works with; the pointers may be null (no player: the preview reports its
// failure; no browsers: "변경(&C)" does nothing) and must outlive the dialog.
struct OptionServices {
    MediaPlayer* player = nullptr;
    MessageBoxes* boxes = nullptr;
    WebBrowsers* web = nullptr;
    std::string webRoot;
    std::string userId;  // CP949, the signed-in member's
};

// What the dialog shows and gives back (the file name in CP949).
struct OptionValues {
    bool Autorun = false;
    bool AutoLogin = false;
    bool Alram = false;
    std::string AlramFile;
    bool Alramrepeat = false;
    bool operator==(const OptionValues&) const = default;
};

class TOptionForm final : public QDialog {
    Q_OBJECT
public:
    TOptionForm(OptionServices services, QWidget* owner = nullptr);
    ~TOptionForm() override;

    QGroupBox* GroupBox1 = nullptr;
    QCheckBox* autorun = nullptr;
    QCheckBox* autologin = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QCheckBox* alram = nullptr;
    QLineEdit* alramfile = nullptr;
    QPushButton* alrambtn = nullptr;
    QPushButton* alramplay = nullptr;
    QPushButton* Button3 = nullptr;
    QCheckBox* alramrepeat = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

    void SetValues(const OptionValues& values);
    OptionValues Values() const;

    // The ring-tone window, while one exists.
    std::unique_ptr<WebWindow> BellWebForm;

    void FormActivate();
    void alramClick();
    void alrambtnClick();
    void alramplayClick();
    void Button3Click();
    void FormClose();

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    OptionServices FServices;
    std::string FAlramFile;  // as given, kept should the box hold what CP949 cannot
};

}  // namespace kv
