// file_io.h
//
// Whole-file reads and all-or-nothing writes for the commands.
//
// ReadWholeFile returns the bytes of a file. WriteFileAtomically writes a
// temporary file beside the target and renames it into place, so a failed
// or interrupted write leaves the target as it was (nothing half-written).
// AtomicFileWriter does the same for a file written piece by piece: the
// target appears, complete, only at Commit. Full blocks go to the disk on a
// thread of their own while the next block is being filled. All throw DataError naming the
// file and the system's reason.
//
// Thread safety: no shared state.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace linkan::app {

class BlockWriterThread;

std::string ReadWholeFile(const std::string& path);

void WriteFileAtomically(const std::string& path, std::string_view content);

class AtomicFileWriter {
 public:
  // Creates the temporary file beside `path`.
  explicit AtomicFileWriter(std::string path);
  // Without Commit the temporary file is removed and the target left as it
  // was.
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  const std::string& path() const { return path_; }
  // Appends `content` (buffered).
  void Append(std::string_view content);
  // The buffer to append to directly; Append or Commit writes it out.
  std::string& buffer() { return buffer_; }
  // Writes what is buffered once the buffer holds at least a block.
  void FlushIfFull() {
    if (buffer_.size() >= kBlock) Flush();
  }
  // Writes the rest, syncs and renames the file into place.
  void Commit();

 private:
  static constexpr std::size_t kBlock = std::size_t{1} << 20;
  void Flush();
  void Write(std::string_view content);
  // Waits for the blocks handed to the thread; throws their write error.
  void Drain();

  std::string path_;
  std::string temp_;
  int fd_ = -1;
  std::string buffer_;
  std::unique_ptr<BlockWriterThread> thread_;  // started by the first full block
};

}  // namespace linkan::app
