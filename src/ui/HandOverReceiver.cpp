#include "ui/HandOverReceiver.h"

#include <QFile>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <chrono>

#include "platform/SingleInstance.h"

namespace korva {

namespace {

// More senders at once than any user starts by hand; beyond them new ones are closed at once.
constexpr std::size_t kMostAtOnce = 32;

HandOverReader::TimePoint Now() {
    return std::chrono::steady_clock::now();
}

}  // namespace

// The socket is closed last: its watchers go first, so that none ever watches a number the system
// has given to something else.
struct HandOverReceiver::Connection {
    std::unique_ptr<HandOverConnection> socket;
    std::unique_ptr<QSocketNotifier> readable;
    std::unique_ptr<QTimer> deadline;
    bool finished = false;
};

HandOverReceiver::HandOverReceiver(SingleInstance& lock, std::function<void(const QStringList&)> play,
                                   QObject* parent)
    : QObject(parent), lock_(lock), play_(std::move(play)) {
    if (lock_.HandOverSocket() < 0)
        return;
    notifier_ = std::make_unique<QSocketNotifier>(lock_.HandOverSocket(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &HandOverReceiver::AcceptWaiting);
}

HandOverReceiver::~HandOverReceiver() = default;

int HandOverReceiver::Pending() const {
    return static_cast<int>(
        std::count_if(connections_.begin(), connections_.end(), [](const auto& c) { return !c->finished; }));
}

void HandOverReceiver::AcceptWaiting() {
    for (auto& socket : lock_.AcceptHandOvers(Now())) {
        if (connections_.size() >= kMostAtOnce)
            continue;  // closed as it goes out of scope
        auto connection = std::make_unique<Connection>();
        Connection* raw = connection.get();
        connection->socket = std::move(socket);
        connection->readable =
            std::make_unique<QSocketNotifier>(connection->socket->Socket(), QSocketNotifier::Read);
        connect(connection->readable.get(), &QSocketNotifier::activated, this,
                [this, raw] { ReadFrom(raw); });
        connection->deadline = std::make_unique<QTimer>();
        connection->deadline->setSingleShot(true);
        connection->deadline->setTimerType(Qt::PreciseTimer);
        connect(connection->deadline.get(), &QTimer::timeout, this, [this, raw] { CheckDeadline(raw); });
        connections_.push_back(std::move(connection));
        ArmDeadline(raw);
    }
}

void HandOverReceiver::ArmDeadline(Connection* connection) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(connection->socket->Deadline() - Now());
    connection->deadline->start(static_cast<int>(std::max<std::int64_t>(0, left.count() + 1)));
}

void HandOverReceiver::ReadFrom(Connection* connection) {
    if (connection->finished)
        return;
    const HandOverReader::State state = connection->socket->Read(Now());
    if (state == HandOverReader::State::Reading)
        return;
    QStringList files;
    for (const std::string& name : connection->socket->Names())
        files << QFile::decodeName(QByteArray::fromStdString(name));
    Finish(connection);
    // Played once the notifier has returned: playing may open a message box, whose own loop would
    // otherwise let the connection go while its notifier is still at work.
    if (!files.isEmpty())
        QTimer::singleShot(0, this, [this, files] { play_(files); });
}

void HandOverReceiver::CheckDeadline(Connection* connection) {
    if (connection->finished)
        return;
    if (connection->socket->Expire(Now()) == HandOverReader::State::Reading)
        ArmDeadline(connection);  // a timer that came a little early
    else
        Finish(connection);
}

void HandOverReceiver::Finish(Connection* connection) {
    // Called from the connection's own notifier or timer: they are let go of once the loop has left
    // them, and stay quiet till then.
    connection->finished = true;
    connection->readable->setEnabled(false);
    connection->deadline->stop();
    QTimer::singleShot(0, this, [this, connection] {
        std::erase_if(connections_, [connection](const auto& c) { return c.get() == connection; });
    });
}

}  // namespace korva
