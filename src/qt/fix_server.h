#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QTimer>
#include <map>
#include <optional>
#include <string>

#include "app/fix_share.h"

class QTcpSocket;

namespace trawlix::qt {

// The TCP server of the live fix: every client that connects gets the receiver's NMEA
// sentences from then on, as they came off the line. What a client sends is read and
// dropped; nothing of it goes anywhere near the receiver. A client that does not read
// loses its oldest lines and, once stuck for a while, its connection; the others never wait.
class FixServer : public QObject {
    Q_OBJECT

  public:
    // Far more than the programs one machine runs at once; a connection beyond is refused.
    static constexpr std::size_t kMaxClients = 64;

    explicit FixServer(QObject* parent = nullptr);
    ~FixServer() override;

    // Listens on `address`: nothing when it does, otherwise a message that names the port.
    std::optional<std::string> listen(const app::ListenAddress& address);
    // Disconnects every client and stops listening.
    void close();
    bool listening() const { return server_.isListening(); }
    const app::ListenAddress& address() const { return address_; }
    // The port listened on: the one asked for, or the one the system chose for port 0.
    std::uint16_t port() const { return server_.serverPort(); }

    // A sentence from the receiver, without line end, handed on when it may go out.
    void offer(const std::string& sentence);
    // While paused nothing goes out, and clients stay connected.
    void setPaused(bool paused) { feed_.setPaused(paused); }
    std::size_t clientCount() const { return clients_.size(); }

  signals:
    void clientConnected(const QString& peer);
    void clientLeft(const QString& peer, const QString& why);

  private:
    void acceptClients();
    void sendWaiting(QTcpSocket* socket);
    void forget(QTcpSocket* socket, const QString& why);
    void dropStuckClients();
    double seconds() const;

    QTcpServer server_;
    app::ListenAddress address_;
    app::FixFeed feed_;
    struct Client {
        app::FixFeed::ClientId id = 0;
        QString peer;  // kept: a socket forgets its peer once disconnected
    };
    std::map<QTcpSocket*, Client> clients_;
    QTimer watch_;
    QElapsedTimer clock_;
    std::string waiting_;  // reused for every write
};

// "127.0.0.1:54321", for the lines that say who came and went.
QString peerOf(const QTcpSocket& socket);

}  // namespace trawlix::qt
