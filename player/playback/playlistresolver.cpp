#include "playback/playlistresolver.h"

#include <string>

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include "common/playlist.h"

namespace {

// Real playlists are a few hundred bytes; anything this large that is still
// not recognised is a stream or a page, not a list.
constexpr qint64 kMaxPlaylistBytes = 512 * 1024;
// Enough of the body to tell a playlist from audio served under a vague type.
constexpr qint64 kSniffBytes = 4096;

bool isAudioContentType(const QString& contentType)
{
    const QString type = contentType.section(';', 0, 0).trimmed().toLower();
    return type.startsWith("audio/") || type == "application/ogg" || type == "video/mp2t"
        || type == "video/x-flv" || type == "application/vnd.ms.wms-hdr.asfv1";
}

QUrl resolveEntry(const QUrl& base, const std::string& location)
{
    QString entry = QString::fromStdString(location);
    if (HasUriScheme(location))
        return QUrl(entry, QUrl::TolerantMode);
    entry.replace('\\', '/');
    if (base.isLocalFile() && entry.startsWith('/'))
        return QUrl::fromLocalFile(entry);
    // A bare relative path may hold characters that are special in a URL
    // reference ('#', '?', '%' in a file name); for a local base the path
    // is joined as a path.
    if (base.isLocalFile()) {
        const QString dir = base.toLocalFile().section('/', 0, -2);
        return QUrl::fromLocalFile(QDir::cleanPath(dir + '/' + entry));
    }
    return base.resolved(QUrl(entry, QUrl::TolerantMode));
}

} // namespace

PlaylistResolver::PlaylistResolver(QObject* parent)
    : QObject(parent)
    , m_network(new QNetworkAccessManager(this))
{
    qRegisterMetaType<PlaylistFetch>();
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        cancel();
        finishWith({});
    });
}

PlaylistResolver::~PlaylistResolver()
{
    cancel();
}

void PlaylistResolver::cancel()
{
    ++m_generation;
    m_deadline.stop();
    m_body.clear();
    if (QNetworkReply* reply = m_reply.data()) {
        m_reply.clear();
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void PlaylistResolver::fetch(const QString& address)
{
    cancel();
    m_address = address.startsWith('/') ? QUrl::fromLocalFile(address)
                                        : QUrl(address, QUrl::TolerantMode);
    if (m_address.isLocalFile()) {
        QFile file(m_address.toLocalFile());
        const bool opened = file.open(QIODevice::ReadOnly);
        const QByteArray body = opened ? file.read(kMaxPlaylistBytes) : QByteArray();
        const quint64 generation = m_generation;
        // Reported from the event loop, as a network read would be.
        QMetaObject::invokeMethod(
            this,
            [this, opened, body, generation] {
                if (generation != m_generation)
                    return;
                if (!opened)
                    finishWith({});
                else
                    decide(body, m_address, {});
            },
            Qt::QueuedConnection);
        return;
    }

    QNetworkRequest request(m_address);
    request.setAttribute(
        QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(static_cast<int>(m_timeout.count()));
    request.setHeader(QNetworkRequest::UserAgentHeader, "Sonalto");
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &PlaylistResolver::onMetaData);
    connect(m_reply, &QNetworkReply::readyRead, this, &PlaylistResolver::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &PlaylistResolver::onReplyFinished);
    m_deadline.start(m_timeout);
}

void PlaylistResolver::onMetaData()
{
    QNetworkReply* reply = m_reply.data();
    if (!reply)
        return;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 300 && status < 400)
        return; // a redirect being followed
    const QString contentType = reply->header(QNetworkRequest::ContentTypeHeader).toString();
    if (status >= 200 && status < 300
        && PlaylistFormatFromContentType(contentType.toStdString()) == PlaylistFormat::None
        && isAudioContentType(contentType)) {
        // The address is the stream itself: hand it over untouched.
        cancel();
        finishWith({ PlaylistFetch::Outcome::Stream, {} });
    }
}

void PlaylistResolver::onReadyRead()
{
    QNetworkReply* reply = m_reply.data();
    if (!reply)
        return;
    m_body += reply->read(kMaxPlaylistBytes - m_body.size());
    const bool full = m_body.size() >= kMaxPlaylistBytes;
    // A vague type (octet-stream, none) over an endless body: decide on the
    // first bytes when they do not look like any playlist.
    const QString contentType = reply->header(QNetworkRequest::ContentTypeHeader).toString();
    const bool undecided = m_body.size() >= kSniffBytes
        && PlaylistFormatFromContentType(contentType.toStdString()) == PlaylistFormat::None
        && SniffPlaylistFormat(std::string_view(m_body.constData(), m_body.size()))
            == PlaylistFormat::None;
    if (full || undecided) {
        const QByteArray body = m_body;
        const QUrl base = reply->url();
        cancel();
        decide(body, base, contentType);
    }
}

void PlaylistResolver::onReplyFinished()
{
    QNetworkReply* reply = m_reply.data();
    if (!reply)
        return;
    onReadyRead();
    if (!m_reply)
        return; // decided while reading
    const bool ok = reply->error() == QNetworkReply::NoError;
    const QByteArray body = m_body;
    const QUrl base = reply->url();
    const QString contentType = reply->header(QNetworkRequest::ContentTypeHeader).toString();
    cancel();
    if (!ok)
        finishWith({});
    else
        decide(body, base, contentType);
}

void PlaylistResolver::decide(const QByteArray& body, const QUrl& base, const QString& contentType)
{
    const std::string_view text(body.constData(), static_cast<size_t>(body.size()));
    PlaylistFormat format = SniffPlaylistFormat(text);
    if (format == PlaylistFormat::None)
        format = PlaylistFormatFromContentType(contentType.toStdString());
    if (format == PlaylistFormat::None)
        format = PlaylistFormatFromAddress(m_address.toString().toStdString());
    if (format == PlaylistFormat::Hls || (format == PlaylistFormat::None && !body.isEmpty())) {
        finishWith({ PlaylistFetch::Outcome::Stream, {} });
        return;
    }
    PlaylistFetch result;
    for (const PlaylistEntry& entry : ParsePlaylist(text, format)) {
        const QUrl url = resolveEntry(base, entry.location);
        if (url.isValid())
            result.entries << url.toString(QUrl::FullyEncoded);
    }
    // An .m3u8 whose parse stopped at an #EXT-X- tag after the sniffed part.
    if (result.entries.isEmpty() && format == PlaylistFormat::M3u && body.contains("#EXT-X-")) {
        finishWith({ PlaylistFetch::Outcome::Stream, {} });
        return;
    }
    result.outcome = result.entries.isEmpty() ? PlaylistFetch::Outcome::Failed
                                              : PlaylistFetch::Outcome::Entries;
    finishWith(result);
}

void PlaylistResolver::finishWith(PlaylistFetch result)
{
    // Reported from the event loop so that a slot may start the next fetch.
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        this,
        [this, result = std::move(result), generation] {
            if (generation == m_generation)
                emit finished(result);
        },
        Qt::QueuedConnection);
}
