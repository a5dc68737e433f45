#pragma once

#include <chrono>

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

// What reading one address as a playlist gave.
struct PlaylistFetch {
    enum class Outcome {
        Entries, // a playlist: play its entries in order
        Stream, // not a playlist (audio, HLS…): play the address itself
        Failed, // unreachable, refused, timed out, or a playlist without entries
    };
    Outcome outcome = Outcome::Failed;
    // Absolute addresses ("http://…", "file:///…"), relative entries
    // resolved against the playlist's own (final, after redirects) address.
    QStringList entries;
};

// Reads one playlist, over HTTP(S) or from a local file, and parses it with
// the common parser. One read at a time: a new fetch() cancels the previous
// one, whose result is never reported. The body is only read when the
// answer can be a playlist: an audio Content-Type ends the read at the
// headers, so an endless stream is never downloaded.
class PlaylistResolver : public QObject {
    Q_OBJECT

public:
    explicit PlaylistResolver(QObject* parent = nullptr);
    ~PlaylistResolver() override;

    // Whole read, connection included; 10 s unless changed.
    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }

    // address: an http(s) or file URL, or an absolute local path.
    void fetch(const QString& address);
    void cancel();
    bool isBusy() const { return !m_reply.isNull(); }

signals:
    // Emitted once per fetch(), from the event loop, never from inside fetch().
    void finished(const PlaylistFetch& result);

private:
    void onMetaData();
    void onReadyRead();
    void onReplyFinished();
    void finishWith(PlaylistFetch result);
    void decide(const QByteArray& body, const QUrl& base, const QString& contentType);

    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    QTimer m_deadline;
    QByteArray m_body;
    QUrl m_address;
    std::chrono::milliseconds m_timeout { 10000 };
    quint64 m_generation = 0;
};

Q_DECLARE_METATYPE(PlaylistFetch)
