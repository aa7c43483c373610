#include "ui/chat/SessionUnit.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>

#include "core/base/CommonUnit.h"
#include "core/base/cp949.h"
#include "core/base/text.h"
#include "core/connection/line_protocol.h"
#include "core/connection/vane.h"
#include "core/messaging/message_routing.h"
#include "core/ports/media_player.h"
#include "core/ports/message_boxes.h"
#include "core/posix/atomic_file.h"
#include "core/service/service_addresses.h"
#include "core/service/settings_store.h"
#include "core/web/page_addresses.h"
#include "core/web/page_windows.h"
#include "qt/edge_snapper.h"
#include "qt/native_window.h"
#include "qt/qt_text.h"
#include "qt/widgets/send_memo.h"
#include "ui/chat/chat_log_view.h"
#include "ui/chat/chat_popup.h"
#include "ui/popup/MSNPopUp.h"

namespace kv {

namespace {

constexpr int kMaxBytes = static_cast<int>(kMaxMessageBytes);

// The emoticon page's window, shared by all chat windows.
std::unique_ptr<WebWindow> EmoticonWebForm;

// Plain-text logs are written as this platform's text files are.
const PlainTextFormat kPlainText{true, "\n"};

QString defaultSaveDialog(QWidget* owner, const QString& filter, const QString& initialName) {
    // The file is replaced without asking, as the save has always done.
    return QFileDialog::getSaveFileName(owner, QString(), initialName, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

}  // namespace

TSessionForm::TSessionForm(SessionServices services) : FServices(services) {
    new EdgeSnapper(this);
    setWindowTitle(QStringLiteral("문자 대화창"));
    // A frame that can be resized, with a close box only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_QuitOnClose, false);
    BuildMenus();
    BuildFrame();
    FormCreate();
}

TSessionForm::~TSessionForm() {
    FormDestroy();
}

void TSessionForm::BuildMenus() {
    actSave = new QAction(QStringLiteral("대화내용 저장(&S)..."), this);
    connect(actSave, &QAction::triggered, this, [this] { actSaveExecute(); });
    actClose = new QAction(QStringLiteral("닫기(&C)"), this);
    connect(actClose, &QAction::triggered, this, [this] { actCloseExecute(); });

    QMenu* file = menuBar()->addMenu(QStringLiteral("파일(&F)"));
    file->addAction(actSave);
    file->addSeparator();
    file->addAction(actClose);
    QMenu* help = menuBar()->addMenu(QStringLiteral("도움말(&H)"));
    if (FServices.host) {
        actHelp = help->addAction(QStringLiteral("도움말(&H)"));
        connect(actHelp, &QAction::triggered, this, [this] { FServices.host->Help(); });
        help->addSeparator();
        actAbout = help->addAction(QStringLiteral("케스트로바네에 대하여...(&A)"));
        connect(actAbout, &QAction::triggered, this, [this] { FServices.host->About(); });
    }
}

void TSessionForm::BuildFrame() {
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* partnerBar = new QWidget(central);
    partnerBar->setFixedHeight(25);
    auto* partnerRow = new QHBoxLayout(partnerBar);
    partnerRow->setContentsMargins(8, 0, 8, 0);
    partnerRow->setSpacing(0);
    auto* fixed = new QLabel(QStringLiteral("대화상대:"), partnerBar);
    fixed->setFixedWidth(56);
    partnerRow->addWidget(fixed);
    idState = new QLabel(QStringLiteral("로그인 하십시오."), partnerBar);
    idState->setFont(BoldOf(idState->font()));
    idState->setTextInteractionFlags(Qt::TextSelectableByMouse);
    partnerRow->addWidget(idState, 1);
    column->addWidget(partnerBar);

    Splitter = new QSplitter(Qt::Vertical, central);
    Splitter->setHandleWidth(10);
    Splitter->setChildrenCollapsible(false);
    RichView1 = new TChatLogView(Splitter);
    RichView1->setAccessibleName(QStringLiteral("대화내용"));
    Splitter->addWidget(RichView1);

    auto* inputArea = new QWidget(Splitter);
    inputArea->setMinimumHeight(60);
    auto* inputColumn = new QVBoxLayout(inputArea);
    inputColumn->setContentsMargins(8, 2, 9, 7);
    inputColumn->setSpacing(5);
    ImtBtn = new QPushButton(QStringLiteral("이모티콘"), inputArea);
    ImtBtn->setFixedSize(65, 17);
    ImtBtn->setFocusPolicy(Qt::NoFocus);
    connect(ImtBtn, &QPushButton::clicked, this, [this] { ImtBtnClick(); });
    inputColumn->addWidget(ImtBtn, 0, Qt::AlignLeft);
    auto* inputRow = new QHBoxLayout;
    inputRow->setSpacing(7);
    SendText = new TSendMemo(inputArea);
    SendText->MaxLength = kMaxBytes;
    SendText->setAccessibleName(QStringLiteral("보낼 메시지"));
    connect(SendText, &QPlainTextEdit::textChanged, this, [this] { SendTextChange(); });
    inputRow->addWidget(SendText, 1);
    SendBtn = new QPushButton(QStringLiteral("보내기(&S)"), inputArea);
    SendBtn->setFixedWidth(83);
    SendBtn->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    connect(SendBtn, &QPushButton::clicked, this, [this] { Button1Click(); });
    inputRow->addWidget(SendBtn);
    inputColumn->addLayout(inputRow, 1);
    Splitter->addWidget(inputArea);
    Splitter->setStretchFactor(0, 1);
    Splitter->setStretchFactor(1, 0);
    Splitter->setSizes({300, 109});
    column->addWidget(Splitter, 1);
    setCentralWidget(central);

    StatusPanel = new QLabel(this);
    StatusPanel->setFixedWidth(72);
    StatusPanel->setAlignment(Qt::AlignCenter);
    StatusPanel->setText(QStringLiteral("80자 남음"));
    statusBar()->setFixedHeight(21);
    statusBar()->addWidget(StatusPanel);

    Timer = new QTimer(this);
    Timer->setInterval(800);
    connect(Timer, &QTimer::timeout, this, [this] { TimerTimer(); });

    MSNPopUp = new TMSNPopUp(this);
    ApplyChatPopupSettings(*MSNPopUp);
    MSNPopUp->OnClick = [this](QObject*) { MSNPopUpClick(); };

    SaveDialog1 = [this](const QString& filter, const QString& initialName) {
        return defaultSaveDialog(this, filter, initialName);
    };
    setFocusProxy(SendText);
    // The member opens a conversation to type: the memo has the focus, the log only when
    // clicked (to select and copy).
    RichView1->setFocusPolicy(Qt::ClickFocus);
    SendText->setFocus();
}

void TSessionForm::FormCreate() {
    FLGN = std::make_unique<TLGN>();
    LoadWindowPos();
}

void TSessionForm::FormDestroy() {
    // The first chat window to go takes the shared emoticon window with it (it may be its
    // owner).
    if (EmoticonWebForm) {
        EmoticonWebForm->Close();
        EmoticonWebForm.reset();
    }
    FLGN.reset();
}

void TSessionForm::LoadWindowPos() {
    if (!FServices.host)
        return;
    const std::optional<WindowBounds> bounds = FServices.host->ChatWindowBounds();
    if (!bounds)
        return;
    const WindowBounds& b = *bounds;
    move(b.Left, b.Top);
    resize(b.Width, b.Height);
}

void TSessionForm::SaveWindowPos() {
    if (!FServices.host)
        return;
    const QRect frame = frameGeometry();
    FServices.host->SaveChatWindowBounds({frame.top(), frame.left(), width(), height()});
}

void TSessionForm::SetPartner(const std::string& nickName, const std::string& phone,
                              const std::string& userPort) {
    FLGN->NickName = nickName;
    FLGN->Phone = phone;
    FLGN->UserPort = userPort;
    idState->setText(fromCp949(nickName + " [" + phone + "]"));
}

void TSessionForm::AddLogEntry(const std::string& name, const std::string& message) {
    const std::size_t first = FLog.AddEntry(name, message);
    RichView1->AppendParagraphs(FLog, first);
}

void TSessionForm::StopAlarm() {
    if (!FServices.player)
        return;
    try {
        FServices.player->stop();
    } catch (const std::exception&) {
        // The alarm is optional; a player that fails is ignored.
    }
}

void TSessionForm::ShowIncoming(const std::string& text) {
    const std::string message = ReceivedLineBreaks(text);
    if (!isVisible()) {
        if (FServices.player) {
            try {
                FServices.player->play();
            } catch (const std::exception&) {
                // No sound, the notice still shows.
            }
        }
        Timer->start();
        MSNPopUp->Title.clear();
        MSNPopUp->Text = message;
        MSNPopUp->ShowPopUp();
        showMinimized();
    }
    if (!isActiveWindow() || isMinimized())
        Timer->start();
    AddLogEntry(FLGN->NickName, message);
}

void TSessionForm::Button1Click() {
    TVANE& conn = *FServices.conn;
    // A failed write has disconnected, and the disconnect destroys this window (deferred):
    // nothing more may happen for this click.
    if (!conn.SendLine(proto::moneyRequest()))
        return;
    if (conn.CashCount <= -10) {
        FServices.boxes->Show(cp949("충전건수가 부족합니다. 충전을 하시고 사용 하십시오"),
                              MessageBoxes::Icon::Information, MessageBoxes::Buttons::Ok);
        if (FServices.host)
            FServices.host->Charge();
        return;
    }
    const std::string text(trimBytes(SendText->Cp949Text()));
    SendText->SetCp949Text(text);
    if (text.empty())
        return;
    if (!conn.SendLine(proto::messageLine(FLGN->UserPort, proto::encodeLineBreaks(text))))
        return;
    conn.CashCount -= 1;
    AddLogEntry(conn.Userid, text);
    SendText->clear();
    SendTextChange();
    SendText->setFocus();
    conn.SendLine(proto::moneyRequest());
}

void TSessionForm::SendTextChange() {
    const int left = kMaxBytes - SendText->BytesUsed();
    StatusPanel->setText(QString::number(left) + QStringLiteral("자 남음"));
}

void TSessionForm::ImtBtnClick() {
    if (!FServices.web || !FServices.conn)
        return;
    // The page hands the chosen emoticon back through copy-data with this window's port.
    OpenWebWindow(*FServices.web, EmoticonWebForm, NativeWindowOf(this),
                  {EmoticonWindowCaption(), 550, 430, false},
                  EmoticonPageURL(ServiceWebRoot(), FServices.conn->Userid, FLGN->UserPort));
}

void TSessionForm::TimerTimer() {
    if (isActiveWindow() && !isMinimized()) {
        Timer->stop();
        return;
    }
    QApplication::alert(this);
}

void TSessionForm::MSNPopUpClick() {
    StopAlarm();
    showNormal();
    raise();
    activateWindow();
}

void TSessionForm::actCloseExecute() {
    close();
}

void TSessionForm::actSaveExecute() {
    const QString chosen = SaveDialog1(
        QStringLiteral("서식있는 텍스트 문서(*.rtf);;텍스트 문서(*.txt)"), QStringLiteral("*.rtf"));
    if (chosen.isEmpty())
        return;
    const ChatLogFile file = ChooseChatLogFile(QFile::encodeName(chosen).toStdString());
    const std::string contents = file.Kind == ChatLogFileKind::Rtf
                                     ? WriteChatLogRtf(FLog)
                                     : WriteChatLogText(FLog, kPlainText);
    try {
        writeFileAtomically(file.Path, contents, 0644);
    } catch (const std::exception& e) {
        // The member must not believe the conversation was kept when it was not.
        const auto reason = utf8ToCp949(e.what());
        FServices.boxes->Show(cp949("대화내용을 저장하지 못했습니다.") + "\r\n" +
                                  (reason ? *reason : std::string(e.what())),
                              MessageBoxes::Icon::Error, MessageBoxes::Buttons::Ok);
    }
}

void TSessionForm::FormActivate() {
    StopAlarm();
    MSNPopUp->ClosePopUps();
    SaveWindowPos();
}

void TSessionForm::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::ActivationChange && event->type() != QEvent::WindowStateChange)
        return;
    // Activated is what the member sees in front: a minimised window that some platforms
    // report active as it is shown does not count until it is restored.
    const bool active = isActiveWindow() && !isMinimized();
    if (active && !FActive)
        FormActivate();
    FActive = active;
}

void TSessionForm::closeEvent(QCloseEvent* event) {
    // Closing only hides the window; its log and place in the list stay.
    SaveWindowPos();
    event->accept();
}

}  // namespace kv
