#pragma once

#include <QObject>
#include <QTimer>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "transfer/CurlTransfer.h"
#include "transfer/Transfer.h"

class CurlNetwork;
class ThreadWake;

// The controls' side of the transfers. libcurl, the sockets and the output files are worked on
// two network threads (CurlNetwork), each transfer on one of them; this side hands the
// transfers over, takes their events back in batches and delivers them one at a time from the
// event loop of the thread that made the first control, so that handlers may call back into
// the controls (cancel, start transfers) and may run nested event loops. What a control
// reports (StatusCode, OutputFile, ...) is what its delivered events have told, never what the
// network threads are doing at that moment.
class CurlDriver : public QObject {
  public:
    static CurlDriver& Instance();

    void Start(Transfer& control, const std::string& url, const std::string& headers,
               const std::string& localFile);
    void Cancel(CurlTransfer& transfer);
    // The control is going away: stop its transfer quietly, drop its events.
    void Detach(CurlTransfer& transfer);

    Transfer::Timeouts Timeouts;

  private:
    CurlDriver();
    ~CurlDriver() override;

    // An event made on this side (the start, the end of a cancelled transfer); `next` puts it
    // ahead of the waiting ones.
    void Queue(const std::shared_ptr<CurlTransfer>& t, TransferEvent::Kind kind, int value,
               bool next = false);
    // At the delivery of a completion: gives the document its final name. False when that
    // failed and failure events have been queued instead.
    bool KeepNow(CurlTransfer& t);
    void DropEvents(const CurlTransfer& t);
    // Takes the transfer back from the network thread; its view then shows where it stopped.
    void TakeBack(CurlTransfer& t);
    void ScheduleDelivery();
    // Hands the transfers started since the last call to their network threads.
    void HandOver();
    void Deliver();
    void DeliverOne(TransferEvent& e);
    // A data event is being delivered: a transfer held back for it may go on.
    void TakeData(CurlTransfer& t, const TransferEvent& e);

    ThreadWake* eventsWake_ = nullptr;  // the network threads' call to take their events
    static constexpr int kLanes = 2;
    struct Lane {
        std::unique_ptr<CurlNetwork> Network;
        std::vector<std::shared_ptr<CurlTransfer>> Starts;  // to hand over at the next turn
        int Busy = 0;  // transfers of this thread whose controls are busy
    };
    // The network thread for a new transfer.
    int ChooseLane(const std::string& url) const;
    // The transfer's control is no longer busy: its thread counts it no more.
    void LeaveLane(CurlTransfer& t);

    Lane lanes_[kLanes];
    std::deque<TransferEvent> queue_;
    QTimer deliveryTimer_;  // delivers events queued on this side (GetDoc, Cancel)
};
