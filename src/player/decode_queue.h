#pragma once

#include "player/picture_decoding.h"

#include <QObject>

#include <functional>
#include <memory>

namespace tv {

// The pictures every window of every show wants decoded, on two worker
// threads of their own. Each window has a lane holding at most one decode
// waiting and one under way: a new request replaces the waiting one (the
// latest wins, a picture whose moment has passed is never decoded), and the
// lane's next decode starts only when its last one ends. Among the lanes the
// decode due first starts first, so every window's first picture comes
// before anyone's second. Results are handed to the lane's receiver on its
// own thread; a closed lane gets nothing more. Nothing ever waits for the
// workers: a show that ends leaves what they are doing to finish unseen.
class DecodeQueue {
public:
    struct Lane;
    // Called on the receiver's thread with the ticket of the request.
    using Delivery = std::function<void(quint64 ticket, const DecodedItem& decoded)>;

    static DecodeQueue& shared();

    std::shared_ptr<Lane> openLane(QObject* receiver, Delivery deliver);
    void close(const std::shared_ptr<Lane>& lane);
    void request(const std::shared_ptr<Lane>& lane, quint64 ticket, const QString& path,
                 DrawnSize drawn, qint64 dueMs);
    // Whether a decode of the lane waits or is under way.
    bool busy(const std::shared_ptr<Lane>& lane) const;
    // How many decodes are under way, for any lane.
    int running() const;

    DecodeQueue(const DecodeQueue&) = delete;
    DecodeQueue& operator=(const DecodeQueue&) = delete;

private:
    struct State;
    DecodeQueue();
    ~DecodeQueue() = default;
    void work();

    State* state_; // shared with the workers and never freed: they outlive every show
};

} // namespace tv
