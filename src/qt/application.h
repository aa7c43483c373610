#pragma once

#include <QApplication>

namespace kv {

class MessageBoxes;

// The application object. An error that no handler caught ends here, in the standard error
// box with its text, instead of ending the program.
class KestrovaneApplication : public QApplication {
public:
    KestrovaneApplication(int& argc, char** argv);

    void SetErrorBoxes(MessageBoxes* boxes) { boxes_ = boxes; }
    bool notify(QObject* receiver, QEvent* event) override;

    // The interface font: 굴림 at 12 pixels, or the Korean sans face the system has.
    static QFont InterfaceFont();

private:
    MessageBoxes* boxes_ = nullptr;
};

}  // namespace kv
