#include "ui/HandOverReceiver.h"

#include <QFile>

#include "platform/SingleInstance.h"

namespace korva {

HandOverReceiver::HandOverReceiver(SingleInstance& lock, std::function<void(const QStringList&)> play,
                                   QObject* parent)
    : QObject(parent), lock_(lock), play_(std::move(play)) {
    if (lock_.HandOverSocket() < 0)
        return;
    notifier_ = std::make_unique<QSocketNotifier>(lock_.HandOverSocket(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &HandOverReceiver::TakeHandOver);
}

void HandOverReceiver::TakeHandOver() {
    QStringList files;
    for (const std::string& name : lock_.TakeHandOver())
        files << QFile::decodeName(QByteArray::fromStdString(name));
    if (!files.isEmpty())
        play_(files);
}

}  // namespace korva
