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
// the network thread (CurlNetwork); this side hands the transfers over, takes their events back
// in batches and delivers them one at a time from the event loop of the thread that made the
// first control, so that handlers may call back into the controls (cancel, start transfers) and
// may run nested event loops. What a control reports (StatusCode, OutputFile, ...) is what its
// delivered events have told, never what the network thread is doing at that moment.
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
    // At the delivery of a completion: drops the temporary second name of the document, or
    // gives it its final name where the network thread could not (the name was taken). False
    // when that failed and failure events have been queued instead.
    bool KeepNow(CurlTransfer& t);
    void DropEvents(const CurlTransfer& t);
    // Takes the transfer back from the network thread; its view then shows where it stopped.
    void TakeBack(CurlTransfer& t);
    void ScheduleDelivery();
    // Hands the transfers started since the last call to the network thread.
    void HandOver();
    void Deliver();
    void DeliverOne(TransferEvent& e);

    ThreadWake* eventsWake_ = nullptr;  // the network thread's call to take its events
    std::unique_ptr<CurlNetwork> network_;
    std::deque<TransferEvent> queue_;
    std::vector<std::shared_ptr<CurlTransfer>> starts_;
    QTimer deliveryTimer_;  // delivers events queued on this side (GetDoc, Cancel)
};
