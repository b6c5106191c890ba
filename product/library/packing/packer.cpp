// A selection packed into one new archive: the pipeline's top level.
#include "packing/packer.h"

#include "base/text.h"
#include "packing/archive_folder.h"
#include "packing/archive_name.h"
#include "packing/entry_packing.h"
#include "packing/selection_walk.h"
#include "packing/zip_writer.h"
#include "windows/send_progress.h"

namespace {

// A name for the archive while it is written: unique in the folder across
// processes, threads and sends in one tick.
HANDLE CreatePartial(const std::wstring& folder, std::wstring& partial) {
  static volatile LONG counter;
  for (int attempt = 0; attempt < 100; ++attempt) {
    partial = folder + L"\\~parvello-" + Decimal(GetCurrentProcessId()) + L"-" + Decimal(GetCurrentThreadId()) + L"-" +
              Decimal(static_cast<unsigned long>(InterlockedIncrement(&counter))) + L".tmp";
    HANDLE file = CreateFileW(partial.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

PackOutcome PackSelection(const std::vector<std::wstring>& selection, const ProductOptions& options,
                          SendWithoutThem ask, void* context, SendProgress* progress) {
  PackOutcome outcome;
  std::wstring folder = ArchiveFolder(options);
  if (!IsFullPath(folder)) {
    outcome.problem = L"The archive folder in Parvello's settings, " + folder +
                      L", is not a full path (such as C:\\Archives or %TEMP%\\Parvello). Ask your administrator "
                      L"to set TemporaryFolder.";
    return outcome;
  }
  // A folder this user may not make or write in (the installing
  // administrator's own, say) gives way to the user's default folder.
  std::wstring partial;
  HANDLE file = INVALID_HANDLE_VALUE;
  DWORD makeError = 0, writeError = 0;
  for (int choice = 0; choice < 2 && file == INVALID_HANDLE_VALUE; ++choice) {
    if (choice == 1) {
      DWORD error = makeError ? makeError : writeError;
      if (error != ERROR_ACCESS_DENIED || !lstrcmpiW(folder.c_str(), DefaultArchiveFolder().c_str())) break;
      folder = DefaultArchiveFolder();
    }
    makeError = MakeArchiveFolder(folder);
    // Through "\\?\": a deep folder leaves the partial name no room otherwise.
    file = makeError ? INVALID_HANDLE_VALUE : CreatePartial(LongPath(folder), partial);
    writeError = makeError || file != INVALID_HANDLE_VALUE ? 0 : GetLastError();
  }
  if (makeError) {
    outcome.problem = L"Parvello cannot make its archive folder " + folder + L":\n" + SystemMessage(makeError);
    return outcome;
  }
  if (file == INVALID_HANDLE_VALUE) {
    outcome.problem = L"Parvello cannot write an archive in " + folder + L":\n" + SystemMessage(writeError);
    return outcome;
  }
  DeleteOldArchives(folder, options.retention);

  SYSTEMTIME now;
  GetLocalTime(&now);
  const std::wstring base = ArchiveBaseName(options, selection, now);

  // Two stages: the selection walked into the list of members, then the
  // members read, deflated on every core and written in their order.
  int previousPriority = GetThreadPriority(GetCurrentThread());
  if (options.lowPriority) SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
  ZipWriter zip(file);
  SelectionWalk walk;
  EntryPacking packing;
  bool ok = WalkSelection(selection, options.fileFilters, folder, kZipMostEntries, progress, walk);
  if (!ok) zip.Fail(walk.tooMany ? kZipTooManyEntries : kZipCancelled, 0);
  if (ok && progress && progress->Shown()) progress->SetTotal(walk.bytes);
  ok = ok && PackEntries(walk.entries, zip, options.lowPriority, progress, packing);
  bool empty = ok && zip.Entries() == 0;
  ok = ok && !empty && zip.Finish(kArchiveComment);
  SetThreadPriority(GetCurrentThread(), previousPriority);
  CloseHandle(file);
  // Never an archive that silently lacks a selected file.
  const std::wstring unread = walk.unread + packing.unread;
  bool cancelled = zip.Failure() == kZipCancelled;
  if (ok && !unread.empty() && !(ask && ask(unread, context))) {
    ok = false;
    cancelled = ask != nullptr;
  }

  // Another send may take the free name first: the next free one is tried.
  std::wstring final;
  DWORD moveError = ERROR_FILE_EXISTS;
  for (int attempt = 0; ok && attempt < 20; ++attempt) {
    final = FreeArchivePath(folder, base, moveError);
    if (final.empty()) break;
    if (MoveFileW(partial.c_str(), final.c_str())) {
      RememberArchiveFolder(folder);
      outcome.packed = true;
      outcome.archive = final;
      return outcome;
    }
    moveError = GetLastError();
    if (moveError != ERROR_ALREADY_EXISTS && moveError != ERROR_FILE_EXISTS) break;
  }
  DeleteFileW(partial.c_str());
  if (cancelled) {
    outcome.cancelled = true;
  } else if (zip.Failure() == kZipNoFailure && !unread.empty()) {
    outcome.problem = L"Parvello cannot read these items, so nothing was sent:\n" + unread;
  } else if (empty) {
    outcome.problem = L"There is nothing to pack: the file filters leave out every selected file, or the "
                      L"selection no longer exists.";
  } else {
    switch (zip.Failure()) {
      case kZipReadFailed:
        outcome.problem = L"Parvello cannot read " + ShownPath(packing.failedPath) + L":\n" + SystemMessage(zip.SystemError());
        break;
      case kZipTooLarge:
        outcome.problem = L"The archive would hold a file of 4 GB or more, or grow to 4 GB: more than a ZIP "
                          L"archive of Parvello holds.";
        break;
      case kZipTooManyEntries:
        outcome.problem = L"The selection holds more than 65,535 files and folders: more than a ZIP archive of "
                          L"Parvello holds.";
        break;
      default:
        outcome.problem = L"Parvello cannot write the archive in " + folder + L":\n" +
                          SystemMessage(zip.Failure() == kZipWriteFailed ? zip.SystemError() : moveError);
    }
  }
  return outcome;
}
