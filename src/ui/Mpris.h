#pragma once
// The player on the desktop's media controls (MPRIS2 on the session bus, as
// "org.mpris.MediaPlayer2.korva97"): their play, pause, stop, next and previous press the deck's own
// buttons, and what the deck plays is described to them. Without a session bus nothing happens.

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

#include "jukebox/Actions.h"
#include "windows/NowPlaying.h"

namespace korva {

class Jukebox;
class TMainForm;

class Mpris final : public QObject {
    Q_OBJECT
  public:
    Mpris(TMainForm& deck, Jukebox& jukebox, QObject* parent = nullptr);
    ~Mpris() override;

    // Whether the bus name is ours.
    bool Registered() const { return registered_; }

    // What the adaptors answer and do.
    // Gives one of the jukebox's commands, as the deck's button for it does.
    void Give(void (Actions::*command)());
    void Raise();
    void PlayLocalFiles(const QStringList& paths);
    QString PlaybackStatus() const;
    QVariantMap Metadata() const;
    bool CanGoNext() const;
    bool CanGoPrevious() const;
    NowPlaying Current() const;
    // The level heard as a fraction of the highest; 1.0 while the program does not set the volume.
    double Volume() const;
    // Chooses the level nearest the fraction, as the deck's level button of that level does.
    void SetVolume(double fraction);

  private:
    // Compares what plays with what the bus was last told and announces the difference.
    void Refresh();

    TMainForm& deck_;
    Jukebox& jukebox_;
    bool registered_ = false;
    QTimer watch_;
    NowPlaying told_;
    double toldVolume_ = 1.0;
    // The facts of the song last described, read once per song.
    mutable std::string factsPath_;
    mutable std::string factsListTitle_;
    mutable SongFacts facts_;
};

// org.mpris.MediaPlayer2
class MprisRoot final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
  public:
    explicit MprisRoot(Mpris& mpris);
    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    QString Identity() const { return QStringLiteral("KORVA97"); }
    QString DesktopEntry() const { return QStringLiteral("korva97"); }
    QStringList SupportedUriSchemes() const { return {QStringLiteral("file")}; }
    QStringList SupportedMimeTypes() const {
        return {QStringLiteral("audio/midi"), QStringLiteral("audio/x-midi")};
    }

  public slots:
    void Raise();
    void Quit();

  private:
    Mpris& mpris_;
};

// org.mpris.MediaPlayer2.Player
class MprisPlayer final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(double Rate READ Rate WRITE SetRate)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ CanControl)
    Q_PROPERTY(bool CanPause READ CanControl)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)
  public:
    explicit MprisPlayer(Mpris& mpris);
    QString PlaybackStatus() const { return mpris_.PlaybackStatus(); }
    double Rate() const { return 1.0; }
    void SetRate(double) {}
    QVariantMap Metadata() const { return mpris_.Metadata(); }
    double Volume() const { return mpris_.Volume(); }
    void SetVolume(double fraction) { mpris_.SetVolume(fraction); }
    // Heard, not rendered: rendering runs seconds ahead of the output. No seeking, so no Seeked.
    qlonglong Position() const { return mpris_.Current().positionMicroseconds; }
    bool CanGoNext() const { return mpris_.CanGoNext(); }
    bool CanGoPrevious() const { return mpris_.CanGoPrevious(); }
    bool CanSeek() const { return false; }
    bool CanControl() const { return true; }

  public slots:
    void Next();
    void Previous();
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qlonglong) {}
    void SetPosition(const QDBusObjectPath&, qlonglong) {}
    void OpenUri(const QString& uri);

  signals:
    void Seeked(qlonglong position);

  private:
    Mpris& mpris_;
};

}  // namespace korva
