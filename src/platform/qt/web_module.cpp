// The Qt WebEngine module, loaded by LazyWebBrowsers the first time a page is opened.

#include <QWebEngineUrlScheme>
#include <QtGlobal>

#include <type_traits>

#include "app/web_pages.h"

#include "dialogs/WebUnit.h"
#include "platform/qt/lazy_web_browsers.h"
#include "platform/qt/qt_browser_window.h"

namespace {

// The copy-data scheme has to be known to the browser engine before its first page exists, or
// links of it never reach the page's navigation check. The module is loaded before any page
// is made, so its first call is early enough.
void RegisterCopyDataScheme() {
    static const bool registered = [] {
        QWebEngineUrlScheme scheme(QByteArray(kv::kCopyDataScheme.data(),
                                              static_cast<qsizetype>(kv::kCopyDataScheme.size())));
        scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
        QWebEngineUrlScheme::registerScheme(scheme);
        return true;
    }();
    (void)registered;
}

}  // namespace

extern "C" Q_DECL_EXPORT kv::WebWindow* kestrovane_create_web_window(
    QWidget* owner, const kv::WebBrowsers::CopyDataSink* sink) {
    RegisterCopyDataScheme();
    return new kv::TWebForm(owner, sink);
}

extern "C" Q_DECL_EXPORT kv::BrowserAutomation* kestrovane_create_browser(
    const kv::WebBrowsers::CopyDataSink* sink) {
    RegisterCopyDataScheme();
    return new kv::QtBrowserAutomation(sink);
}

// The signatures the program calls them with.
static_assert(std::is_same_v<decltype(&kestrovane_create_web_window), kv::CreateWebWindowFn>);
static_assert(std::is_same_v<decltype(&kestrovane_create_browser), kv::CreateBrowserFn>);
