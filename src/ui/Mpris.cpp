#include "ui/Mpris.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QUrl>
#include <algorithm>
#include <cmath>

#include "jukebox/Jukebox.h"
#include "text/Encoding.h"
#include "ui/QtText.h"
#include "ui/TMainForm.h"

namespace korva {

namespace {

const QString kServiceName = QStringLiteral("org.mpris.MediaPlayer2.korva97");
const QString kObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
// The deck's state changes on button presses and at song ends; a glance this often keeps the
// desktop's controls in step without the core knowing of them.
constexpr int kWatchMilliseconds = 200;
// The ten volume levels run from 0 to 9.
constexpr int kHighestLevel = 9;

QString StatusName(PlaybackStatus status) {
    switch (status) {
        case PlaybackStatus::Playing:
            return QStringLiteral("Playing");
        case PlaybackStatus::Paused:
            return QStringLiteral("Paused");
        case PlaybackStatus::Stopped:
            break;
    }
    return QStringLiteral("Stopped");
}

}  // namespace

Mpris::Mpris(TMainForm& deck, Jukebox& jukebox, QObject* parent)
    : QObject(parent), deck_(deck), jukebox_(jukebox) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    new MprisRoot(*this);
    new MprisPlayer(*this);
    if (!bus.registerObject(kObjectPath, this))
        return;
    registered_ = bus.registerService(kServiceName);
    if (!registered_) {
        bus.unregisterObject(kObjectPath);
        return;
    }
    told_ = Current();
    toldVolume_ = Volume();
    connect(&watch_, &QTimer::timeout, this, &Mpris::Refresh);
    watch_.start(kWatchMilliseconds);
}

Mpris::~Mpris() {
    if (!registered_)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(kServiceName);
    bus.unregisterObject(kObjectPath);
}

NowPlaying Mpris::Current() const {
    return CurrentSong(jukebox_.Model(), jukebox_.Commands());
}

void Mpris::Give(void (Actions::*command)()) {
    // After the reply has gone: a command may open a window that waits for the user (a message, the
    // song control window, the power button's end of the program), and the caller must not wait.
    // Next and Back only stop the device, and the song after comes with the completion notice that
    // this queues; looking after that keeps a passing "Stopped" off the desktop's controls.
    QTimer::singleShot(0, this, [this, command] {
        (static_cast<Actions&>(jukebox_).*command)();
        QTimer::singleShot(0, this, &Mpris::Refresh);
    });
}

void Mpris::Raise() {
    deck_.showNormal();
    deck_.raise();
    deck_.activateWindow();
}

void Mpris::PlayLocalFiles(const QStringList& paths) {
    QTimer::singleShot(0, this, [this, paths] {
        deck_.PlayLocalFiles(paths);
        QTimer::singleShot(0, this, &Mpris::Refresh);
    });
}

QString Mpris::PlaybackStatus() const {
    return StatusName(Current().status);
}

double Mpris::Volume() const {
    const std::optional<int> level = jukebox_.HeardVolumeLevel();
    return level ? *level / static_cast<double>(kHighestLevel) : 1.0;
}

void Mpris::SetVolume(double fraction) {
    if (!jukebox_.HeardVolumeLevel() || !std::isfinite(fraction))
        return;
    const int level = static_cast<int>(std::lround(std::clamp(fraction, 0.0, 1.0) * kHighestLevel));
    // After the reply, as the buttons are pressed.
    QTimer::singleShot(0, this, [this, level] {
        jukebox_.ChooseVolumeLevel(level);
        Refresh();
    });
}

bool Mpris::CanGoNext() const {
    return Current().canGoNext;
}

bool Mpris::CanGoPrevious() const {
    return Current().canGoPrevious;
}

QVariantMap Mpris::Metadata() const {
    const NowPlaying now = Current();
    QVariantMap metadata;
    if (now.path.empty()) {
        metadata.insert(QStringLiteral("mpris:trackid"),
                        QVariant::fromValue(QDBusObjectPath("/org/mpris/MediaPlayer2/TrackList/NoTrack")));
        return metadata;
    }
    if (now.path != factsPath_ || now.listTitle != factsListTitle_) {
        facts_ = ReadSongFacts(now.path, now.listTitle);
        factsPath_ = now.path;
        factsListTitle_ = now.listTitle;
    }
    metadata.insert(
        QStringLiteral("mpris:trackid"),
        QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/korva97/Queue/%1").arg(now.queuePosition))));
    metadata.insert(QStringLiteral("xesam:title"), FromSjis(facts_.title));
    metadata.insert(QStringLiteral("xesam:url"), QUrl::fromLocalFile(FromSjis(now.path)).toString());
    if (facts_.lengthMicroseconds > 0)
        metadata.insert(QStringLiteral("mpris:length"), static_cast<qlonglong>(facts_.lengthMicroseconds));
    return metadata;
}

void Mpris::Refresh() {
    if (!registered_)
        return;
    const NowPlaying now = Current();
    QVariantMap changed;
    if (now.status != told_.status)
        changed.insert(QStringLiteral("PlaybackStatus"), StatusName(now.status));
    if (now.path != told_.path || now.queuePosition != told_.queuePosition ||
        now.listTitle != told_.listTitle)
        changed.insert(QStringLiteral("Metadata"), Metadata());
    if (now.canGoNext != told_.canGoNext)
        changed.insert(QStringLiteral("CanGoNext"), now.canGoNext);
    if (now.canGoPrevious != told_.canGoPrevious)
        changed.insert(QStringLiteral("CanGoPrevious"), now.canGoPrevious);
    const double volume = Volume();
    if (volume != toldVolume_)
        changed.insert(QStringLiteral("Volume"), volume);
    told_ = now;
    toldVolume_ = volume;
    if (changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(
        kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
    signal << kPlayerInterface << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

MprisRoot::MprisRoot(Mpris& mpris) : QDBusAbstractAdaptor(&mpris), mpris_(mpris) {}

void MprisRoot::Raise() {
    mpris_.Raise();
}

void MprisRoot::Quit() {
    mpris_.Give(&Actions::Quit);
}

MprisPlayer::MprisPlayer(Mpris& mpris) : QDBusAbstractAdaptor(&mpris), mpris_(mpris) {}

void MprisPlayer::Next() {
    mpris_.Give(&Actions::Next);
}

void MprisPlayer::Previous() {
    mpris_.Give(&Actions::Back);
}

void MprisPlayer::Pause() {
    if (mpris_.Current().status == PlaybackStatus::Playing)
        mpris_.Give(&Actions::Pause);
}

void MprisPlayer::PlayPause() {
    // Play also ends a pause; pressing it while playing would open the song control window.
    mpris_.Give(mpris_.Current().status == PlaybackStatus::Playing ? &Actions::Pause : &Actions::Play);
}

void MprisPlayer::Stop() {
    mpris_.Give(&Actions::Stop);
}

void MprisPlayer::Play() {
    if (mpris_.Current().status != PlaybackStatus::Playing)
        mpris_.Give(&Actions::Play);
}

void MprisPlayer::OpenUri(const QString& uri) {
    const QUrl url(uri);
    if (url.isLocalFile())
        mpris_.PlayLocalFiles({url.toLocalFile()});
}

}  // namespace korva
