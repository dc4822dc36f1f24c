#include "qt/fix_server.h"

#include <QHostAddress>
#include <QTcpSocket>

namespace trawlix::qt {
namespace {

// What may wait in a socket's own buffer: beyond it, lines wait in the feed, where the
// oldest are dropped first, instead of in an unbounded buffer of Qt's.
constexpr qint64 kSocketRoom = 8 * 1024;
// The system's own buffer for a client, kept small too: a client that never reads is
// behind within minutes, not after megabytes.
constexpr int kSystemSendBuffer = 16 * 1024;
constexpr int kWatchMs = 1000;

}  // namespace

QString peerOf(const QTcpSocket& socket) {
    return socket.peerAddress().toString() + ":" + QString::number(socket.peerPort());
}

FixServer::FixServer(QObject* parent) : QObject(parent) {
    clock_.start();
    connect(&server_, &QTcpServer::newConnection, this, &FixServer::acceptClients);
    connect(&watch_, &QTimer::timeout, this, &FixServer::dropStuckClients);
}

FixServer::~FixServer() {
    close();
}

std::optional<std::string> FixServer::listen(const app::ListenAddress& address) {
    close();
    const QHostAddress host(QString::fromStdString(address.host));
    if (host.isNull()) {
        return "Can't share the live fix on " + address.text() + ": " + address.host +
               " is not an address of this machine.";
    }
    if (!server_.listen(host, address.port)) {
        const bool inUse = server_.serverError() == QAbstractSocket::AddressInUseError;
        return "Can't share the live fix on port " + std::to_string(address.port) + " of " +
               address.host + ": " +
               (inUse ? std::string("the port is in use by another program. Choose another "
                                    "port, or stop the program that holds it.")
                      : server_.errorString().toStdString());
    }
    address_ = address;
    watch_.start(kWatchMs);
    return std::nullopt;
}

void FixServer::close() {
    watch_.stop();
    server_.close();
    while (!clients_.empty()) {
        QTcpSocket* socket = clients_.begin()->first;
        forget(socket, "sharing stopped");
        socket->abort();
    }
}

void FixServer::offer(const std::string& sentence) {
    if (clients_.empty() || !feed_.offer(sentence, seconds())) {
        return;
    }
    for (const auto& entry : clients_) {
        sendWaiting(entry.first);
    }
}

void FixServer::acceptClients() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        if (clients_.size() >= kMaxClients) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        clients_[socket] = {feed_.addClient(), peerOf(*socket)};
        socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, kSystemSendBuffer);
        // Whatever a client sends is read, so that it cannot fill a buffer, and dropped.
        connect(socket, &QTcpSocket::readyRead, socket, [socket] { socket->readAll(); });
        connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { sendWaiting(socket); });
        connect(socket, &QTcpSocket::disconnected, this,
                [this, socket] { forget(socket, "disconnected"); });
        connect(socket, &QTcpSocket::errorOccurred, this, [this, socket] {
            if (socket->state() != QAbstractSocket::ConnectedState) {
                forget(socket, socket->errorString());
            }
        });
        emit clientConnected(clients_[socket].peer);
    }
}

void FixServer::sendWaiting(QTcpSocket* socket) {
    const auto client = clients_.find(socket);
    if (client == clients_.end()) {
        return;
    }
    const qint64 room = kSocketRoom - socket->bytesToWrite();
    if (room <= 0) {
        return;
    }
    waiting_.clear();
    if (feed_.take(client->second.id, waiting_, static_cast<std::size_t>(room)) > 0) {
        socket->write(waiting_.data(), static_cast<qint64>(waiting_.size()));
    }
}

void FixServer::forget(QTcpSocket* socket, const QString& why) {
    const auto client = clients_.find(socket);
    if (client == clients_.end()) {
        return;
    }
    const QString peer = client->second.peer;
    feed_.removeClient(client->second.id);
    clients_.erase(client);
    socket->disconnect(this);
    emit clientLeft(peer, why);
    socket->deleteLater();
}

void FixServer::dropStuckClients() {
    for (const app::FixFeed::ClientId stuck : feed_.stuckClients(seconds())) {
        for (const auto& [socket, client] : clients_) {
            if (client.id == stuck) {
                QTcpSocket* const gone = socket;
                forget(gone, "it did not read what was sent");
                gone->abort();
                break;
            }
        }
    }
}

double FixServer::seconds() const {
    return static_cast<double>(clock_.elapsed()) / 1000.0;
}

}  // namespace trawlix::qt
