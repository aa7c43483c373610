#include "modules/net/qt_http_get.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace kv {

namespace {

std::string failure(const std::string& url, const std::string& why) {
    return "HTTP GET " + url + " failed: " + why;
}

std::string durationText(std::chrono::milliseconds bound) {
    if (bound.count() % 1000 == 0)
        return std::to_string(bound.count() / 1000) + " s";
    return std::to_string(bound.count()) + " ms";
}

}  // namespace

std::string QtHttpGet::get(const std::string& url, std::chrono::milliseconds bound) {
    const QUrl target(QString::fromStdString(url), QUrl::StrictMode);
    const QString scheme = target.scheme().toLower();
    if (!target.isValid() || target.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        throw HttpError(failure(url, "not an http or https address"));

    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request(target);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setMaximumRedirectsAllowed(5);
    // The bound below is the real limit; switch off Qt's own inactivity time-out so that the
    // two cannot race with different error texts.
    request.setTransferTimeout(0);

    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);

    enum class Stop { None, TimedOut, TooLarge };
    Stop stop = Stop::None;
    std::string body;
    const std::size_t maxBody = maxBody_;
    auto abortWith = [&](Stop why) {
        if (stop != Stop::None)
            return;
        stop = why;
        reply->abort();
        loop.quit();
    };

    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] { abortWith(Stop::TimedOut); });
    QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, &loop, [&] {
        // Refuse a declared over-long body before reading any of it.
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toULongLong() > maxBody)
            abortWith(Stop::TooLarge);
    });
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, [&] {
        const QByteArray chunk = reply->readAll();
        if (body.size() + static_cast<std::size_t>(chunk.size()) > maxBody) {
            abortWith(Stop::TooLarge);
            return;
        }
        body.append(chunk.constData(), static_cast<std::size_t>(chunk.size()));
    });
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);

    deadline.start(bound);
    if (!reply->isFinished() && stop == Stop::None)
        loop.exec();
    deadline.stop();

    if (stop == Stop::TimedOut)
        throw HttpError(failure(url, "no complete answer within " + durationText(bound)));
    if (stop == Stop::TooLarge)
        throw HttpError(
            failure(url, "the answer is longer than " + std::to_string(maxBody) + " bytes"));
    if (!reply->isFinished()) {
        // The loop was ended from outside, e.g. by the application quitting.
        reply->abort();
        throw HttpError(failure(url, "cancelled"));
    }

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299)) {
        const QString reason =
            reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        throw HttpError(failure(url, "the server answered " + std::to_string(status.toInt()) +
                                         (reason.isEmpty() ? "" : " " + reason.toStdString())));
    }
    if (reply->error() != QNetworkReply::NoError)
        throw HttpError(failure(url, reply->errorString().toStdString()));

    // Whatever arrived after the last readyRead.
    const QByteArray rest = reply->readAll();
    if (body.size() + static_cast<std::size_t>(rest.size()) > maxBody)
        throw HttpError(
            failure(url, "the answer is longer than " + std::to_string(maxBody) + " bytes"));
    body.append(rest.constData(), static_cast<std::size_t>(rest.size()));
    return body;
}

}  // namespace kv
