#pragma once
// Hears later starts of the program that hand files over through the single-instance lock, and
// passes the files on, as local paths, to be played. Every hand-over is read as its bytes arrive,
// from the event loop: a sender that stalls or sends too much is dropped at its deadline while the
// windows go on working, and other hand-overs are taken meanwhile.

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QSocketNotifier;

namespace korva {

class SingleInstance;

class HandOverReceiver final : public QObject {
    Q_OBJECT
  public:
    // Does nothing while the lock is not held.
    HandOverReceiver(SingleInstance& lock, std::function<void(const QStringList&)> play,
                     QObject* parent = nullptr);
    ~HandOverReceiver() override;

    // Hand-overs under way (accepted, neither complete nor dropped yet).
    int Pending() const;

  private:
    struct Connection;

    void AcceptWaiting();
    void ReadFrom(Connection* connection);
    void CheckDeadline(Connection* connection);
    void ArmDeadline(Connection* connection);
    void Finish(Connection* connection);

    SingleInstance& lock_;
    std::function<void(const QStringList&)> play_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::vector<std::unique_ptr<Connection>> connections_;
};

}  // namespace korva
