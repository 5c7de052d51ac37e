#pragma once

#include "decode/picture_decoding.h"

#include <QObject>

#include <functional>
#include <memory>

namespace tv {

// The pictures every window of every show wants decoded, on worker threads
// of their own. Each window has a lane holding at most one decode waiting
// and one under way: a new request replaces the waiting one (the latest
// wins, a picture whose moment has passed is never decoded), and the lane's
// next decode starts only when its last one ends, so no window can take
// every worker. Among the lanes the decode due first starts first, so every
// window's first picture comes before anyone's second. Results are handed
// to the lane's receiver on its own thread; a closed lane gets nothing more.
//
// A queue belongs to what decodes through it (a stage, the editor's
// thumbnails): when its owner goes, the workers are told to stop and are
// joined once the decodes under way end (a picture is read and decoded in a
// fraction of a second, bounded by the largest picture taken). Lanes are
// closed before their queue goes.
class DecodeQueue {
public:
    struct Lane;
    // Called on the receiver's thread with the ticket of the request.
    using Delivery = std::function<void(quint64 ticket, const DecodedItem& decoded)>;

    DecodeQueue();
    // Stops and joins the workers (see stop()).
    ~DecodeQueue();

    std::shared_ptr<Lane> openLane(QObject* receiver, Delivery deliver);
    void close(const std::shared_ptr<Lane>& lane);
    void request(const std::shared_ptr<Lane>& lane, quint64 ticket, const QString& path,
                 DrawnSize drawn, qint64 dueMs);
    // Whether a decode of the lane waits or is under way.
    bool busy(const std::shared_ptr<Lane>& lane) const;
    // How many decodes are under way, for any lane.
    int running() const;

    // Drops what waits, tells every worker to end and joins them. Later
    // requests are ignored.
    void stop();

    DecodeQueue(const DecodeQueue&) = delete;
    DecodeQueue& operator=(const DecodeQueue&) = delete;

private:
    struct State;
    void startWorker();
    static void work(const std::shared_ptr<State>& state);

    std::shared_ptr<State> state_;
};

} // namespace tv
