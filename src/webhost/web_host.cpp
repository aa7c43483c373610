#include "webhost/web_host.h"

#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#include <QEvent>
#include <QGuiApplication>
#include <QMetaObject>
#include <QWebEngineUrlScheme>

#include "core/web/copy_data_link.h"

#include "qt/web_host_channel.h"
#include "webhost/WebUnit.h"
#include "webhost/qt_browser_window.h"

namespace kv {

void RegisterCopyDataScheme() {
    static const bool registered = [] {
        QWebEngineUrlScheme scheme(
            QByteArray(kCopyDataScheme.data(), static_cast<qsizetype>(kCopyDataScheme.size())));
        scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
        QWebEngineUrlScheme::registerScheme(scheme);
        return true;
    }();
    (void)registered;
}

struct WebHost::Form {
    std::unique_ptr<TWebForm> Window;
    std::uint32_t Owner = 0;  // the program's X window it stays above; 0: none
};

namespace {

// Keeps `window` above the program's window `owner` (an X window id; 0: none) as the window
// manager keeps a dialog above its main window. Qt names a transient parent to the window
// manager only for dialogs and tool windows (and clears the hint on every show of others), so
// it is set here, after each show; window managers follow the change.
void StayAbove(QWidget& window, std::uint32_t owner) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (owner == 0 || !x11 || !x11->connection())
        return;
    const auto id = static_cast<xcb_window_t>(window.winId());
    xcb_change_property(x11->connection(), XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_TRANSIENT_FOR,
                        XCB_ATOM_WINDOW, 32, 1, &owner);
    xcb_flush(x11->connection());
}

}  // namespace

WebHost::WebHost(int fd, std::function<void()> finished) : FFinished(std::move(finished)) {
    FSink = [this](std::uint32_t kind, const std::string& text) {
        Report(WebHostOp::CopyData, 0, {kind}, {text});
    };
    FChannel = std::make_unique<WebHostChannel>(
        fd, [this](const WebHostMessage& m) { Received(m); }, [this](bool) { Ended(); });
}

WebHost::~WebHost() {
    FClosing = true;
    FForms.clear();
    FBrowsers.clear();
    for (auto& [id, window] : FReleased)
        delete window.data();
    FReleased.clear();
}

QWidget* WebHost::Window(std::uint32_t id) const {
    if (auto it = FForms.find(id); it != FForms.end())
        return it->second->Window.get();
    if (auto it = FBrowsers.find(id); it != FBrowsers.end())
        return it->second->Window();
    if (auto it = FReleased.find(id); it != FReleased.end())
        return it->second.data();
    return nullptr;
}

void WebHost::Report(WebHostOp op, std::uint32_t id, std::vector<std::int64_t> numbers,
                     std::vector<std::optional<std::string>> texts) {
    if (FChannel)
        FChannel->Send(WebHostMessage{op, id, std::move(numbers), std::move(texts)});
}

bool WebHost::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close)
        for (const auto& [id, form] : FForms)
            if (form->Window.get() == watched)
                Report(WebHostOp::Closed, id);
    return QObject::eventFilter(watched, event);
}

void WebHost::Track(std::uint32_t id, TBrowserWindow* window) {
    // A driven window deletes itself when the member closes it.
    connect(window, &QObject::destroyed, this, [this, id] {
        if (FClosing)
            return;
        FReleased.erase(id);
        Report(WebHostOp::Closed, id);
        // Possibly in the middle of erasing it from FBrowsers: look again from the event loop.
        QMetaObject::invokeMethod(
            this, [this] { CheckFinished(); }, Qt::QueuedConnection);
    });
}

void WebHost::Received(const WebHostMessage& m) {
    const std::uint32_t id = m.Window;
    Form* form = nullptr;
    if (auto it = FForms.find(id); it != FForms.end())
        form = it->second.get();
    DrivenBrowserWindow* browser = nullptr;
    if (auto it = FBrowsers.find(id); it != FBrowsers.end())
        browser = it->second.get();

    switch (m.Op) {
        case WebHostOp::CreateWindow: {
            if (form || browser)
                return;
            auto made = std::make_unique<Form>();
            made->Window = std::make_unique<TWebForm>(nullptr, &FSink);
            made->Owner = static_cast<std::uint32_t>(m.Numbers[0]);
            made->Window->installEventFilter(this);
            FForms[id] = std::move(made);
            return;
        }
        case WebHostOp::CreateBrowser: {
            if (form || browser)
                return;
            auto made = std::make_unique<DrivenBrowserWindow>(&FSink);
            Track(id, made->Window());
            FBrowsers[id] = std::move(made);
            return;
        }
        case WebHostOp::Release:
            if (form) {
                FForms.erase(id);
            } else if (browser) {
                if (QPointer<TBrowserWindow> w = browser->Window(); w && w->isVisible())
                    FReleased[id] = w;
                FBrowsers.erase(id);  // a window never made visible goes with it
            }
            CheckFinished();
            return;
        default: break;
    }

    if (form) {
        TWebForm& w = *form->Window;
        switch (m.Op) {
            case WebHostOp::SetCaption: w.SetCaption(m.Texts[0].value_or("")); break;
            case WebHostOp::SetSize:
                w.SetSize(static_cast<int>(m.Numbers[0]), static_cast<int>(m.Numbers[1]));
                break;
            case WebHostOp::ShowWindow:
                w.ShowWindow();
                QMetaObject::invokeMethod(
                    this,
                    [this, id] {
                        if (auto it = FForms.find(id); it != FForms.end())
                            StayAbove(*it->second->Window, it->second->Owner);
                    },
                    Qt::QueuedConnection);
                break;
            case WebHostOp::Navigate: w.Navigate(m.Texts[0].value_or("")); break;
            case WebHostOp::Close: w.Close(); break;
            default: break;
        }
        return;
    }
    if (!browser)
        return;
    if (m.Op == WebHostOp::Navigate2) {
        browser->Navigate2(m.Texts[0].value_or(""), static_cast<int>(m.Numbers[0]), m.Texts[1],
                           m.Texts[2]);
        return;
    }
    if (m.Op != WebHostOp::SetProperty)
        return;
    const bool on = m.Numbers[1] != 0;
    const int value = static_cast<int>(m.Numbers[1]);
    switch (static_cast<WebHostProperty>(m.Numbers[0])) {
        case WebHostProperty::Toolbar: browser->SetToolbar(on); break;
        case WebHostProperty::Menubar: browser->SetMenubar(on); break;
        case WebHostProperty::Statusbar: browser->SetStatusbar(on); break;
        case WebHostProperty::Resizable: browser->SetResizable(on); break;
        case WebHostProperty::Visible: browser->SetVisible(on); break;
        case WebHostProperty::Top: browser->SetTop(value); break;
        case WebHostProperty::Left: browser->SetLeft(value); break;
        case WebHostProperty::Width: browser->SetWidth(value); break;
        case WebHostProperty::Height: browser->SetHeight(value); break;
    }
}

void WebHost::Ended() {
    // Called from inside the channel: it goes once that call has returned.
    FChannel.release()->deleteLater();
    // The program's embedded windows go with it; its visible driven windows stay open on
    // their own, as a separate browser would.
    FForms.clear();
    for (auto& [id, browser] : FBrowsers)
        if (QPointer<TBrowserWindow> w = browser->Window(); w && w->isVisible())
            FReleased[id] = w;
    FBrowsers.clear();
    CheckFinished();
}

void WebHost::CheckFinished() {
    if (FChannel || FFinishedCalled || !FForms.empty() || !FBrowsers.empty() || !FReleased.empty())
        return;
    FFinishedCalled = true;
    if (FFinished)
        FFinished();
}

}  // namespace kv
