// The deflating workers and the queue of jobs they take from.
#include "packing/block_deflater.h"

#include <algorithm>

namespace {

constexpr int kLevel = 6;  // zip's default: the size users know from it

bool StartStream(z_stream& stream) {
  stream = z_stream{};
  return deflateInit2(&stream, kLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
}

}  // namespace

int PackingThreads() {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  return std::max(1, std::min(static_cast<int>(system.dwNumberOfProcessors), 8));
}

BlockDeflater::BlockDeflater(int threads, bool lowPriority, volatile LONG* decisions) : decisions_(decisions) {
  InitializeCriticalSection(&lock_);
  queued_ = CreateSemaphoreW(nullptr, 0, 0x7FFFFFFF, nullptr);
  finished_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (!queued_ || !finished_) threads = 0;
  for (int i = 0; i < std::min(threads, kMostThreads); ++i) {
    HANDLE thread = CreateThread(nullptr, 0, &BlockDeflater::Work, this, CREATE_SUSPENDED, nullptr);
    if (!thread) break;
    // The user asked that packing keep out of the way: every thread of it.
    if (lowPriority) SetThreadPriority(thread, THREAD_PRIORITY_BELOW_NORMAL);
    ResumeThread(thread);
    threads_[workers_++] = thread;
  }
}

BlockDeflater::~BlockDeflater() {
  EnterCriticalSection(&lock_);
  queue_.clear();
  stopping_ = true;
  LeaveCriticalSection(&lock_);
  if (workers_) ReleaseSemaphore(queued_, workers_, nullptr);
  for (int i = 0; i < workers_; ++i) {
    WaitForSingleObject(threads_[i], INFINITE);
    CloseHandle(threads_[i]);
  }
  if (ownReady_) deflateEnd(&own_);
  if (queued_) CloseHandle(queued_);
  if (finished_) CloseHandle(finished_);
  DeleteCriticalSection(&lock_);
}

void BlockDeflater::Submit(PackJob* job) {
  if (!workers_) {
    if (!ownReady_) ownReady_ = StartStream(own_);
    Deflate(ownReady_ ? &own_ : nullptr, *job);
    job->done = true;
    return;
  }
  EnterCriticalSection(&lock_);
  job->done = false;
  queue_.push_back(job);
  LeaveCriticalSection(&lock_);
  ReleaseSemaphore(queued_, 1, nullptr);
}

bool BlockDeflater::Done(PackJob* job) {
  EnterCriticalSection(&lock_);
  bool done = job->done;
  LeaveCriticalSection(&lock_);
  return done;
}

void BlockDeflater::WaitFor(PackJob* job) {
  while (!Done(job)) WaitForSingleObject(finished_, INFINITE);
}

DWORD WINAPI BlockDeflater::Work(void* self) {
  auto* deflater = static_cast<BlockDeflater*>(self);
  // A worker without a compressor still answers: its pieces are stored.
  z_stream stream;
  bool ready = StartStream(stream);
  for (;;) {
    WaitForSingleObject(deflater->queued_, INFINITE);
    EnterCriticalSection(&deflater->lock_);
    PackJob* job = nullptr;
    if (!deflater->queue_.empty()) {
      job = deflater->queue_.front();
      deflater->queue_.pop_front();
    }
    bool stopping = deflater->stopping_;
    LeaveCriticalSection(&deflater->lock_);
    if (!job) {
      if (stopping) break;
      continue;
    }
    deflater->Deflate(ready ? &stream : nullptr, *job);
    EnterCriticalSection(&deflater->lock_);
    job->done = true;
    LeaveCriticalSection(&deflater->lock_);
    SetEvent(deflater->finished_);
  }
  if (ready) deflateEnd(&stream);
  return 0;
}

// Each piece gets its check sum, and its deflated form when that is worth
// having: a member's first piece must come out smaller than it went in
// (it is given no more room), or the member is stored; the pieces after
// it follow that decision, deflated in the meantime when it is not made yet.
void BlockDeflater::Deflate(z_stream* stream, PackJob& job) {
  job.outUsed = 0;
  for (PackPiece& piece : job.pieces) {
    const Bytef* data = job.in.data() + piece.offset;
    piece.crc = static_cast<uint32_t>(crc32(crc32(0, nullptr, 0), data, static_cast<uInt>(piece.length)));
    piece.deflated = false;
    piece.outOffset = job.outUsed;
    piece.outLength = 0;
    volatile LONG& decision = decisions_[piece.entry];
    if (!piece.first && decision == kStore) continue;
    if (!stream) {
      if (piece.first && !piece.last) InterlockedExchange(&decision, kStore);
      continue;
    }
    deflateReset(stream);
    if (piece.dictionary) deflateSetDictionary(stream, data - piece.dictionary, static_cast<uInt>(piece.dictionary));
    const size_t room = piece.first ? piece.length : deflateBound(stream, static_cast<uLong>(piece.length)) + 16;
    if (job.out.size() < job.outUsed + room) job.out.resize(job.outUsed + room);
    stream->next_in = const_cast<Bytef*>(data);
    stream->avail_in = static_cast<uInt>(piece.length);
    stream->next_out = job.out.data() + job.outUsed;
    stream->avail_out = static_cast<uInt>(room);
    // Not the last: ended on a byte boundary, so the next piece joins on.
    int result = room ? deflate(stream, piece.last ? Z_FINISH : Z_SYNC_FLUSH) : Z_BUF_ERROR;
    bool whole = piece.last ? result == Z_STREAM_END : stream->avail_in == 0 && stream->avail_out > 0;
    size_t produced = room - stream->avail_out;
    if (piece.first) whole = whole && produced < piece.length;
    if (whole) {
      piece.deflated = true;
      piece.outLength = produced;
      job.outUsed += produced;
    }
    if (piece.first && !piece.last) InterlockedExchange(&decision, whole ? kDeflate : kStore);
  }
}
