// The walk's entries read in blocks, deflated on every core and written in order.
#include "packing/entry_packing.h"

#include <string.h>

#include <algorithm>
#include <deque>

#include "base/text.h"
#include "common/owned.h"
#include "packing/block_deflater.h"
#include "windows/send_progress.h"

namespace {

constexpr size_t kBlock = 256 * 1024;   // read in one call; a large member's unit of work
constexpr size_t kWindow = 32 * 1024;   // deflate's reach back: a block's dictionary
constexpr size_t kJobBytes = kWindow + kBlock;
constexpr size_t kMostPieces = 512;     // so that a job of many tiny files is written soon
constexpr int kJobsPerThread = 3;       // one being read, one deflated, one written

// The packing thread's state: it reads into jobs, hands them to the
// deflater, and writes the oldest once done.
class Packer {
 public:
  Packer(const std::vector<PackEntry>& entries, ZipWriter& zip, SendProgress* progress, EntryPacking& packing,
         bool lowPriority)
      : entries_(entries),
        zip_(zip),
        progress_(progress),
        packing_(packing),
        decisions_(entries.size(), kUndecided),
        jobs_(static_cast<size_t>(PackingThreads() * kJobsPerThread + 1)),
        deflater_(PackingThreads(), lowPriority, decisions_.data()) {
    for (PackJob& job : jobs_) {
      job.in.resize(kJobBytes);
      free_.push_back(&job);
    }
  }

  bool Run() {
    bool ok = true;
    for (size_t i = 0; ok && i < entries_.size(); ++i) ok = entries_[i].folder ? AddFolder(i) : AddFile(i);
    if (ok && filling_) Submit();
    // The rest is written, in its order, once deflated; after a failure
    // or a cancel the deflater drops what it has not begun.
    while (ok && !inFlight_.empty()) ok = WriteOldest();
    return ok && zip_.Failure() == kZipNoFailure;
  }

 private:
  bool AddFolder(size_t index) {
    PackJob* job = Room(0, false);
    job->pieces.push_back({index, 0, job->used, 0, true, true, 0, 0, 0, false});
    return zip_.Failure() == kZipNoFailure;
  }

  bool AddFile(size_t index) {
    const PackEntry& entry = entries_[index];
    if (progress_ && !progress_->Advance(ShownPath(entry.path), done_)) return zip_.Fail(kZipCancelled, 0);
    OwnedHandle input(CreateFileW(entry.path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!input.IsValid()) {
      packing_.unread += UnreadLine(entry.path, GetLastError());
      return true;
    }
    if (entry.size >= kZipLimit) return zip_.Fail(kZipTooLarge, 0);
    ULONGLONG read = 0;
    // A small file is read whole in one call (asking one byte more than
    // listed tells that it ended); a large one block after block.
    for (bool first = true, last = false; !last; first = false) {
      const size_t request = first ? static_cast<size_t>(std::min<ULONGLONG>(kBlock, entry.size + 1)) : kBlock;
      const size_t dictionary = first ? 0 : tailLength_;
      PackJob* job = Room(dictionary + request, !first);
      if (zip_.Failure() != kZipNoFailure) return false;
      memcpy(&job->in[job->used], tail_, dictionary);
      const size_t offset = job->used + dictionary;
      DWORD got = 0;
      if (!ReadFile(input.Get(), &job->in[offset], static_cast<DWORD>(request), &got, nullptr)) {
        packing_.failedPath = entry.path;
        return zip_.Fail(kZipReadFailed, GetLastError());
      }
      read += got;
      // A short read ends the file when the file is as listed; otherwise
      // (it changed, or a share answered in part) only an empty one does.
      last = got == 0 || (got < request && read == entry.size);
      if (read >= kZipLimit) return zip_.Fail(kZipTooLarge, 0);
      job->pieces.push_back({index, dictionary, offset, got, first, last, 0, 0, 0, false});
      job->used = offset + got;
      if (last) break;
      tailLength_ = std::min<size_t>(kWindow, got);
      memcpy(tail_, &job->in[offset + got - tailLength_], tailLength_);
      Submit();  // deflated while the next block is read
      // Between the blocks of a large file the user may cancel too.
      if (progress_ && !progress_->Advance(ShownPath(entry.path), done_ + read)) return zip_.Fail(kZipCancelled, 0);
    }
    done_ += read;
    return true;
  }

  // The job being filled, with `bytes` free in it (a fresh one when
  // `fresh`); the one before goes to the deflater.
  PackJob* Room(size_t bytes, bool fresh) {
    if (filling_ && (fresh || kJobBytes - filling_->used < bytes || filling_->pieces.size() >= kMostPieces))
      Submit();
    if (!filling_) filling_ = Take();
    return filling_;
  }

  PackJob* Take() {
    if (free_.empty()) WriteOldest();  // bounded memory: wait for the oldest and reuse it
    PackJob* job = free_.back();
    free_.pop_back();
    job->pieces.clear();
    job->used = 0;
    return job;
  }

  void Submit() {
    deflater_.Submit(filling_);
    inFlight_.push_back(filling_);
    filling_ = nullptr;
    while (!inFlight_.empty() && deflater_.Done(inFlight_.front()) && WriteOldest()) {
    }
  }

  // Writes the oldest job once deflated, and frees it. Answers 0 once the
  // archive has failed (the job is freed all the same).
  bool WriteOldest() {
    PackJob* job = inFlight_.front();
    deflater_.WaitFor(job);
    inFlight_.pop_front();
    free_.push_back(job);
    for (const PackPiece& piece : job->pieces) {
      if (!WritePiece(*job, piece)) return false;
    }
    return true;
  }

  bool WritePiece(const PackJob& job, const PackPiece& piece) {
    const PackEntry& entry = entries_[piece.entry];
    if (entry.folder) return zip_.AddFolder(entry.name, entry.modified);
    if (piece.first) {
      deflated_ = piece.last ? piece.deflated : decisions_[piece.entry] == kDeflate;
      crc_ = piece.crc;
      size_ = piece.length;
      compressed_ = deflated_ ? piece.outLength : piece.length;
      // A member in one piece has its header whole at once; a longer one
      // has it mended at its end.
      if (!zip_.BeginMember(entry.name, entry.attributes, entry.modified, deflated_ ? kZipDeflated : kZipStored,
                            piece.last ? crc_ : 0, piece.last ? compressed_ : 0, piece.last ? size_ : 0))
        return false;
    } else {
      crc_ = static_cast<uint32_t>(crc32_combine(crc_, piece.crc, static_cast<z_off_t>(piece.length)));
      size_ += piece.length;
      compressed_ += deflated_ ? piece.outLength : piece.length;
    }
    // A worker that could not start its compressor stores what it gets.
    if (deflated_ && !piece.deflated) return zip_.Fail(kZipWriteFailed, ERROR_NOT_ENOUGH_MEMORY);
    const Bytef* data = deflated_ ? &job.out[piece.outOffset] : &job.in[piece.offset];
    const size_t length = deflated_ ? piece.outLength : piece.length;
    if (length && !zip_.WriteData(data, length)) return false;
    return !piece.last || zip_.EndMember(crc_, compressed_, size_);
  }

  const std::vector<PackEntry>& entries_;
  ZipWriter& zip_;
  SendProgress* progress_;
  EntryPacking& packing_;
  std::vector<LONG> decisions_;
  std::vector<PackJob> jobs_;     // every buffer the packing uses
  BlockDeflater deflater_;        // after the jobs: its workers stop before they go
  std::vector<PackJob*> free_;
  std::deque<PackJob*> inFlight_;  // handed to the deflater, in the archive's order
  PackJob* filling_ = nullptr;
  Bytef tail_[kWindow];            // the end of the block read last
  size_t tailLength_ = 0;
  ULONGLONG done_ = 0;             // bytes of the files packed so far
  // The member being written.
  bool deflated_ = false;
  uint32_t crc_ = 0;
  uint64_t size_ = 0, compressed_ = 0;
};

}  // namespace

bool PackEntries(const std::vector<PackEntry>& entries, ZipWriter& zip, bool lowPriority, SendProgress* progress,
                 EntryPacking& packing) {
  Packer packer(entries, zip, progress, packing, lowPriority);
  return packer.Run();
}
