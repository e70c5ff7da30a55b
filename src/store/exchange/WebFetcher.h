#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class QNetworkAccessManager;

// What one fetch may take.
struct WebFetchLimits
{
    int maxRedirects = 5;
    int timeoutMs = 20000;
    qint64 maxBytes = 10LL * 1024 * 1024;
};

// Fetches web pages and pictures by address with Qt Network, waiting for
// each in a local event loop: http:// and https:// only, redirects followed
// up to a limit (never from https to http), the whole transfer within a time
// limit, and at most a number of bytes read — the transfer is aborted as soon
// as more arrive, so a page never takes more memory than the limit.
class WebFetcher
{
public:
    using Limits = WebFetchLimits;

    enum class Failure {
        None,
        NotWebAddress,
        NoConnection, // no network, refused, reset
        HostNotFound,
        NotFound,     // HTTP 404 or 410
        HttpError,    // any other HTTP error or a redirect not followed
        TooBig,
        TimedOut,
        Cancelled,
    };

    struct Response
    {
        // Where the answer finally came from, after redirects.
        QUrl address;
        QByteArray body;
        QByteArray contentType;
        Failure failure = Failure::None;
        // What went wrong, in words for the user ("the page was not found
        // (HTTP 404 Not Found)").
        QString message;

        bool ok() const { return failure == Failure::None; }
    };

    // Bytes received so far and the expected total (-1 when unknown); false
    // cancels. Also called every tenth of a second while nothing arrives.
    using Progress = std::function<bool(qint64 received, qint64 total)>;

    explicit WebFetcher(Limits limits = {});
    ~WebFetcher();
    Q_DISABLE_COPY_MOVE(WebFetcher)

    Response fetch(const QUrl &address, const Progress &progress = {});

    const Limits &limits() const { return m_limits; }

    // True for an absolute http:// or https:// address with a host.
    static bool isWebAddress(const QUrl &address);

    // The text of a fetched page: the byte order mark, else the charset of
    // the Content-Type header, else the page's own <meta charset> or
    // http-equiv declaration, else UTF-8 (windows-1252 when it is no UTF-8).
    static QString pageText(const QByteArray &body, const QByteArray &contentType);
    // The charset name a page declares (header first, then <meta>); empty
    // when it declares none.
    static QByteArray declaredCharset(const QByteArray &body, const QByteArray &contentType);

private:
    Limits m_limits;
    std::unique_ptr<QNetworkAccessManager> m_manager;
};
