#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QTimer>

#include "common/settings.h"
#include "common/stationpage.h"
#include "nowplaying/songwindowmodel.h"

class HeardSongs;
class QLabel;
class StreamTitles;
class QPushButton;
class QSpinBox;
template <typename Result> class WorkerMailbox;

// "Chanson en cours": the song on air and the four before it, with the
// cover, refreshed every few seconds from the current station's feed, or
// taken from the titles its stream announces when it has no feed or its
// feed gives nothing. A modeless window that deletes itself when closed.
// Feeds and covers are fetched on worker threads; their results are applied
// here on the GUI thread, so the player never freezes while a server is
// slow.
class SongWindow : public QDialog {
    Q_OBJECT

public:
    // Control and command ids of the window.
    enum Id : int {
        TitleValue = 1040,
        ArtistValue = 1044,
        AlbumValue = 1045,
        DateValue = 1046,
        LabelValue = 1047,
        CoverButton = 1049,
        CoverStatic = 1041,
        PreviousButton = 1010,
        NextButton = 1043,
        PeriodEdit = 1048,
        OkButton = 1,
        CopyButton = 2,
        RedisplayCommand = 105,
        RefreshTimer = 106,
    };

    // current is the player's current station, read at every refresh for
    // its live address; it outlives the window. mainWindow is the window
    // this one opens beside, snaps to and is owned by. titles, when given,
    // are the stream's songs, shown while the feed gives none. heard, when
    // given, takes the feed's songs on air into the journal, and the
    // window's "J'aime ce titre" marks its song on air.
    SongWindow(Settings& settings, const StationPageInfo& current, QWidget* mainWindow,
        StreamTitles* titles = nullptr, HeardSongs* heard = nullptr);
    ~SongWindow() override;

    // Reads the feed, selects the song on air, shows it and places the
    // window. Called once, right after construction.
    void open() override;

    // Command 105: shows the selected song and restarts the refresh timer.
    void onCommand(int id);
    // Timer 106: reads the feed again, keeping the selected index.
    void refresh();
    // Another station plays: its feed is read at once and nothing of the
    // last station stays on show.
    void stationChanged();

    // True when the window snapped to the main window on its last move or
    // was opened docked; the main window then drags it along.
    bool isAttached() const { return m_attached; }
    void setAttached(bool attached) { m_attached = attached; }
    // Moves the window along with the main window, without snapping.
    void moveWith(int dx, int dy);

    const SongWindowModel& model() const { return m_model; }
    bool isFetchingFeed() const { return m_fetchingFeed; }
    // The cover on show, as decoded; null when there is none to show.
    const QImage& cover() const { return m_cover; }
    // Its size on the window, scaled to fit the cover's place.
    QSize shownCoverSize() const { return m_shownCoverSize; }
    int refreshIntervalMs() const { return m_refreshTimer.interval(); }

signals:
    // A feed read finished; ok is false when it ran out of time.
    void feedRead(bool ok);
    // The cover of the selected song is on show.
    void coverShown();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void build();
    void showLikeState();
    void onPrevious();
    void onNext();
    void onPeriodChanged(int seconds);
    void onCoverClicked();
    void copyToClipboard();
    void onOk();
    // Runs the results the workers left in the mailbox.
    void takeResults();
    void startFeedRead();
    void onFeedRead(unsigned long generation, bool ok, const SongList& songs);
    bool hasFeed() const;
    // Puts the feed's songs, or the stream's when the feed gives none, in
    // the model; reset selects the song on air.
    void takeSongs(bool reset);
    void onTitlesChanged();
    void startCoverFetch();
    void onCoverFetched(unsigned long request, const QImage& image);
    void place();
    void moveProgrammatically(const QPoint& topLeft);

    Settings& m_settings;
    const StationPageInfo& m_current;
    QWidget* m_mainWindow;
    StreamTitles* m_titles;
    HeardSongs* m_heard;
    // The feed's last readable list, and whether it named a song.
    SongList m_feedSongs;
    bool m_feedWorks = false;
    // Feed reads started for an earlier station are not taken.
    unsigned long m_feedGeneration = 0;
    std::string m_logged;
    std::string m_loggedList;
    QSize m_shownCoverSize;
    SongWindowModel m_model;
    // Each result is the call that hands it to the window.
    using ResultMailbox = WorkerMailbox<std::function<void()>>;
    std::shared_ptr<ResultMailbox> m_mailbox;
    QTimer m_refreshTimer;
    bool m_fetchingFeed = false;
    unsigned long m_coverRequest = 0;
    QImage m_cover;
    bool m_attached = false;
    // The window's own moves are not drags: set while it moves itself, and
    // where it last put itself, as the window system may tell of a move
    // later.
    bool m_selfMoving = false;
    std::optional<QPoint> m_ownPosition;

    QLabel* m_values[5] {};
    QPushButton* m_coverButton = nullptr;
    QLabel* m_coverStatic = nullptr;
    QSpinBox* m_periodEdit = nullptr;
    QPushButton* m_likeButton = nullptr;
};
