// Channels of the shared-memory transport. A ShareCommObject is one segment
// with its semaphore pair: the request channel (type 0) carries one request
// from probe to collector, the data channel (type 1) carries the answer back
// in parts. Results: 0 success, -1 failure, -10 timeout.
#pragma once

#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "comm/share_memory.h"

// Longest texts the request segment holds.
constexpr size_t kShareNameMax = 14;
constexpr size_t kShareUniqueMax = 49;
constexpr size_t kShareParmMax = 19;
constexpr size_t kShareTextMax = 29999;

// Seconds after which an unread answer is cleaned away before the next one.
constexpr int kStaleDataSeconds = 30;

// One request as it travels through the request channel.
struct QVZRequest {
  std::string name;                // cursor name or control word
  std::string unique;              // unique id: name, time and counter
  std::string text;                // request text, usually empty
  std::vector<std::string> parms;  // at most 40 parameters

  // Sets `unique` to the name followed by "-" and the current time (12
  // digits) and "-" and the process's request counter (4 digits).
  void FormRequest();
};

// One answer as the probe receives it.
struct QVZDataRow {
  int32_t rows = 0;        // row count
  int32_t row_len = 0;     // bytes per row
  std::vector<char> data;  // rows * row_len bytes
};

// The channel interface.
class QVZCommObject {
 public:
  virtual ~QVZCommObject() = default;
  virtual bool IsGood() const = 0;
  // Probe: writes `req` (FormRequest is applied) into the request channel.
  virtual int SendRequest(QVZRequest* req, int timeout) = 0;
  // Collector: takes the waiting request.
  virtual int GetRequest(QVZRequest* req, int timeout) = 0;
  // Collector: writes rows * row_len bytes of `data` for request `unique`.
  virtual int SendData(const std::string& unique, int32_t rows, int32_t row_len, const char* data,
                       int timeout) = 0;
  // Probe: reads the answer to request `unique` (for cursor `name`).
  virtual int GetData(const std::string& unique, const std::string& name, QVZDataRow* out,
                      int timeout) = 0;
  // Sets the channel's semaphores to available 1, filled 0.
  virtual int ResetSemaphore() = 0;
};

class ShareCommObject final : public QVZCommObject {
 public:
  // Creates a private segment and semaphore set of channel `type` (0 request,
  // 1 data) and initialises them; `lifetime` is stored in a request channel.
  ShareCommObject(int type, int lifetime);
  // Attaches the existing segment `shm_id` and semaphore set `sem_id`.
  ShareCommObject(int type, int shm_id, int sem_id);
  ShareCommObject(const ShareCommObject&) = delete;
  ShareCommObject& operator=(const ShareCommObject&) = delete;

  // A data channel reads the request times and lifetime from its request
  // channel (borrowed; must outlive this object).
  void set_request_channel(ShareCommObject* request) { request_channel_ = request; }

  bool IsGood() const override;
  int SendRequest(QVZRequest* req, int timeout) override;
  int GetRequest(QVZRequest* req, int timeout) override;
  int SendData(const std::string& unique, int32_t rows, int32_t row_len, const char* data,
               int timeout) override;
  int GetData(const std::string& unique, const std::string& name, QVZDataRow* out,
              int timeout) override;
  int ResetSemaphore() override;

  int type() const { return type_; }
  int shm_id() const { return memory_.id(); }
  int sem_id() const { return semaphore_.id(); }
  QVZSemaphore& semaphore() { return semaphore_; }
  // Every later SendData writes its blocks within `seconds` in all (0: no
  // limit), or abandons the answer.
  void set_answer_deadline(int seconds) { answer_deadline_ = seconds; }
  // See QVZShareMemory::keep_objects.
  void keep_objects() { memory_.keep_objects(); }
  // The mapped areas; null unless this channel is of that type and attached.
  request_area* request() const;
  data_area* data() const;

 private:
  // Waits at most `timeout` seconds for "available" (WaitForWrite) or
  // "filled" (WaitForRead) and takes it: 0, -10 timeout, -1 failure.
  int WaitForWrite(int timeout);
  int WaitForRead(int timeout);
  // Clears a data channel whose last block lies unread longer than the
  // request lifetime. True when it cleaned.
  bool Check(const std::string& name);
  // Fills a freshly created area.
  void init(int lifetime);
  // Marks the data channel empty and ready for the next answer.
  void clean();

  int type_;
  QVZShareMemory memory_;
  QVZSemaphore semaphore_;
  ShareCommObject* request_channel_ = nullptr;
  int answer_deadline_ = 0;
};

// Returns the current time for the segments' 32-bit time fields.
int32_t share_now();
