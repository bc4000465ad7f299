#include "common/output_buffer.h"

#include "text/mbcs.h"

namespace zelk::archivers {

OutputBuffer::OutputBuffer(char* buffer, std::size_t size)
    : buffer_(buffer), size_(buffer == nullptr ? 0 : size) {}

void OutputBuffer::Set(std::string_view text) {
  text_.assign(text::TruncateChars(text, size_ == 0 ? 0 : size_ - 1));
  Flush();
}

void OutputBuffer::Append(std::string_view text) {
  const std::size_t room = size_ == 0 ? 0 : size_ - 1 - text_.size();
  text_.append(text::TruncateChars(text, room));
  Flush();
}

void OutputBuffer::Flush() { text::CopyToBuffer(buffer_, size_, text_); }

}  // namespace zelk::archivers
