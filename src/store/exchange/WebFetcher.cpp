#include "store/exchange/WebFetcher.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTimer>

namespace {

// Qt reads ahead at most this much from the socket while the fetcher has not
// taken it yet.
constexpr qint64 ReadAhead = 256 * 1024;
// Far enough into a page to find its <meta charset> behind long scripts.
constexpr int CharsetSearchBytes = 64 * 1024;

QString sizeText(qint64 bytes)
{
    if (bytes >= 1024 * 1024 && bytes % (1024 * 1024) == 0)
        return QStringLiteral("%1 MB").arg(bytes / (1024 * 1024));
    return QStringLiteral("%1 bytes").arg(bytes);
}

QString secondsText(int ms)
{
    return ms % 1000 == 0 ? QStringLiteral("%1 s").arg(ms / 1000) : QStringLiteral("%1 s").arg(ms / 1000.0);
}

// Labels that pages use for what browsers read as windows-1252.
QByteArray browserCharset(QByteArray name)
{
    name = name.trimmed().toLower();
    if (name == "iso-8859-1" || name == "latin1" || name == "latin-1" || name == "us-ascii" || name == "ascii"
        || name == "iso8859-1" || name == "l1" || name == "cp1252")
        return "windows-1252";
    return name;
}

// The failure of a finished reply that the fetcher did not stop itself.
WebFetcher::Failure failureOf(QNetworkReply &reply, int redirects, QString *message)
{
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString reason = reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    const QString host = reply.url().host();
    const QString http = reason.isEmpty() ? QStringLiteral("HTTP %1").arg(status)
                                          : QStringLiteral("HTTP %1 %2").arg(status).arg(reason);
    switch (reply.error()) {
    case QNetworkReply::NoError:
        if (status >= 300) {
            *message = QStringLiteral("the server answered with a redirect that was not followed (%1)").arg(http);
            return WebFetcher::Failure::HttpError;
        }
        return WebFetcher::Failure::None;
    case QNetworkReply::HostNotFoundError:
        *message = QStringLiteral("the host %1 was not found (no network, or a mistyped address)").arg(host);
        return WebFetcher::Failure::HostNotFound;
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::UnknownNetworkError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
        *message = QStringLiteral("no connection to %1 (%2)").arg(host, reply.errorString());
        return WebFetcher::Failure::NoConnection;
    case QNetworkReply::TooManyRedirectsError:
        *message = QStringLiteral("the address was redirected more than %1 times").arg(redirects);
        return WebFetcher::Failure::HttpError;
    case QNetworkReply::InsecureRedirectError:
        *message = QStringLiteral("the address was redirected from https to http; not followed");
        return WebFetcher::Failure::HttpError;
    case QNetworkReply::SslHandshakeFailedError:
        *message = QStringLiteral("the secure connection to %1 failed (%2)").arg(host, reply.errorString());
        return WebFetcher::Failure::NoConnection;
    case QNetworkReply::ContentNotFoundError:
    case QNetworkReply::ContentGoneError:
        *message = QStringLiteral("not found (%1)").arg(http);
        return WebFetcher::Failure::NotFound;
    default:
        break;
    }
    if (status >= 400) {
        *message = QStringLiteral("the server refused it (%1)").arg(http);
        return WebFetcher::Failure::HttpError;
    }
    *message = reply.errorString();
    return WebFetcher::Failure::NoConnection;
}

} // namespace

WebFetcher::WebFetcher(Limits limits) : m_limits(limits) { }

WebFetcher::~WebFetcher() = default;

bool WebFetcher::isWebAddress(const QUrl &address)
{
    const QString scheme = address.scheme().toLower();
    return address.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        && !address.host().isEmpty();
}

WebFetcher::Response WebFetcher::fetch(const QUrl &address, const Progress &progress)
{
    Response response;
    response.address = address;
    if (!isWebAddress(address)) {
        response.failure = Failure::NotWebAddress;
        response.message = QStringLiteral("not a web address (only http:// and https:// addresses are read)");
        return response;
    }
    if (!m_manager)
        m_manager = std::make_unique<QNetworkAccessManager>();
    QNetworkRequest request(address);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(m_limits.maxRedirects);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("Mozilla/5.0 (compatible; Mealdeck)"));
    request.setRawHeader("Accept", "text/html,application/xhtml+xml,application/ld+json,application/json;q=0.9,"
                                   "image/*;q=0.8,*/*;q=0.5");
    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply *)> reply(m_manager->get(request), [](QNetworkReply *r) {
        r->disconnect();
        r->abort();
        r->deleteLater();
    });
    reply->setReadBufferSize(ReadAhead);

    Failure stopped = Failure::None;
    qint64 expected = -1;
    QEventLoop loop;
    auto stop = [&](Failure why) {
        if (stopped == Failure::None)
            stopped = why;
        if (!reply->isFinished())
            reply->abort();
        loop.quit();
    };
    auto take = [&] {
        while (stopped == Failure::None && reply->bytesAvailable() > 0) {
            const qint64 room = m_limits.maxBytes - response.body.size();
            response.body += reply->read(qMin(reply->bytesAvailable(), room + 1));
            if (response.body.size() > m_limits.maxBytes) {
                response.body = QByteArray();
                stop(Failure::TooBig);
            }
        }
    };
    auto tell = [&] {
        if (stopped == Failure::None && progress && !progress(response.body.size(), expected))
            stop(Failure::Cancelled);
    };
    QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, [&] {
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status >= 300 && status < 400)
            return;
        bool known = false;
        const qint64 length = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
        expected = known ? length : -1;
        if (known && length > m_limits.maxBytes)
            stop(Failure::TooBig);
    });
    QObject::connect(reply.get(), &QNetworkReply::readyRead, [&] {
        take();
        tell();
    });
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, [&] { stop(Failure::TimedOut); });
    deadline.start(m_limits.timeoutMs);
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, tell);
    tick.start(100);
    if (!reply->isFinished())
        loop.exec();
    tick.stop();
    deadline.stop();
    take();

    response.address = reply->url();
    response.contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    if (stopped == Failure::None && !reply->isFinished())
        stopped = Failure::Cancelled;
    switch (stopped) {
    case Failure::TooBig:
        response.message = QStringLiteral("too big: larger than %1").arg(sizeText(m_limits.maxBytes));
        break;
    case Failure::TimedOut:
        response.message = QStringLiteral("timed out: no complete answer within %1").arg(secondsText(m_limits.timeoutMs));
        break;
    case Failure::Cancelled:
        response.message = QStringLiteral("cancelled");
        break;
    default:
        stopped = failureOf(*reply, m_limits.maxRedirects, &response.message);
        break;
    }
    response.failure = stopped;
    if (!response.ok())
        response.body = QByteArray();
    return response;
}

QByteArray WebFetcher::declaredCharset(const QByteArray &body, const QByteArray &contentType)
{
    static const QRegularExpression parameter(QStringLiteral("charset\\s*=\\s*[\"']?\\s*([A-Za-z0-9_.:-]+)"),
                                              QRegularExpression::CaseInsensitiveOption);
    QRegularExpressionMatch match = parameter.match(QString::fromLatin1(contentType));
    if (match.hasMatch())
        return match.captured(1).toLatin1();
    static const QRegularExpression meta(
        QStringLiteral("<meta\\b[^>]*?\\bcharset\\s*=\\s*[\"']?\\s*([A-Za-z0-9_.:-]+)"),
        QRegularExpression::CaseInsensitiveOption);
    match = meta.match(QString::fromLatin1(body.left(CharsetSearchBytes)));
    return match.hasMatch() ? match.captured(1).toLatin1() : QByteArray();
}

QString WebFetcher::pageText(const QByteArray &body, const QByteArray &contentType)
{
    if (const auto bom = QStringConverter::encodingForData(body)) {
        QStringDecoder decoder(*bom);
        return decoder.decode(body);
    }
    const QByteArray charset = browserCharset(declaredCharset(body, contentType));
    if (!charset.isEmpty() && charset != "utf-8" && charset != "utf8") {
        QStringDecoder decoder(charset.constData());
        if (decoder.isValid())
            return decoder.decode(body);
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(body);
    if (utf8.hasError() && charset.isEmpty())
        text = QStringDecoder("windows-1252").decode(body);
    return text;
}
