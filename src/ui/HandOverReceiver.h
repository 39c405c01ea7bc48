#pragma once
// Hears later starts of the program that hand files over through the single-instance lock, and
// passes the files on, as local paths, to be played.

#include <QObject>
#include <QSocketNotifier>
#include <QStringList>
#include <functional>
#include <memory>

namespace korva {

class SingleInstance;

class HandOverReceiver final : public QObject {
    Q_OBJECT
  public:
    // Does nothing while the lock is not held.
    HandOverReceiver(SingleInstance& lock, std::function<void(const QStringList&)> play,
                     QObject* parent = nullptr);

  private:
    void TakeHandOver();

    SingleInstance& lock_;
    std::function<void(const QStringList&)> play_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace korva
