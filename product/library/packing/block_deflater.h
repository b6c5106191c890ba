// The compressing workers of a packing: jobs (a few small members, or one
// block of a large one) are deflated on every core while the packing
// thread reads the next and writes the finished ones in their order.
// A large member is split as pigz splits it: each block primed with the
// 32 KiB before it as its dictionary and ended on a byte boundary, so
// that the blocks joined are one deflate stream.
#pragma once
#include <windows.h>

#include <cstdint>
#include <deque>
#include <vector>

#include <zlib.h>

// Whether a member's first block, and with it the member, shrank.
enum MemberMethod : LONG { kUndecided, kDeflate, kStore };

// Part of one member in a job's input.
struct PackPiece {
  size_t entry;       // the member's index in the walk's list
  size_t dictionary;  // bytes before `offset` that precede it in its member
  size_t offset;
  size_t length;
  bool first, last;   // the member's first and last piece
  // The deflater's answer:
  uint32_t crc;
  size_t outOffset, outLength;
  bool deflated;      // `out` holds the piece deflated
};

struct PackJob {
  std::vector<PackPiece> pieces;
  std::vector<Bytef> in, out;
  size_t used = 0;     // of `in`
  size_t outUsed = 0;  // of `out`
  bool done = false;   // read under the deflater's lock only
};

// As many as the machine has logical processors, at most a few.
int PackingThreads();

class BlockDeflater {
 public:
  // `decisions`: one per member, where its first block tells the blocks
  // after it whether to deflate. With no worker to be had, Submit deflates
  // the job itself.
  BlockDeflater(int threads, bool lowPriority, volatile LONG* decisions);
  // Jobs still queued are dropped; those being deflated are finished.
  ~BlockDeflater();
  BlockDeflater(const BlockDeflater&) = delete;
  BlockDeflater& operator=(const BlockDeflater&) = delete;

  void Submit(PackJob* job);
  bool Done(PackJob* job);
  void WaitFor(PackJob* job);
  int Workers() const { return workers_; }

 private:
  static DWORD WINAPI Work(void* self);
  void Deflate(z_stream* stream, PackJob& job);

  static constexpr int kMostThreads = 8;
  volatile LONG* decisions_;
  CRITICAL_SECTION lock_;
  HANDLE queued_ = nullptr;    // a semaphore: one count per queued job, and one per worker to stop
  HANDLE finished_ = nullptr;  // set after each job done
  std::deque<PackJob*> queue_;
  bool stopping_ = false;
  HANDLE threads_[kMostThreads] = {};
  int workers_ = 0;
  z_stream own_ = {};          // for jobs deflated by Submit
  bool ownReady_ = false;
};
