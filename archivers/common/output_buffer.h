// The caller's output buffer of an archiver call: at most size - 1 bytes of
// text and a terminator, nothing at all when size is 0. Texts are cut at a
// character boundary, never in the middle of a double-byte character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zelk::archivers {

class OutputBuffer {
 public:
  // buffer may be null only with size 0.
  OutputBuffer(char* buffer, std::size_t size);

  // Replaces the buffer's text.
  void Set(std::string_view text);
  // Adds text after what the buffer holds, as much as fits.
  void Append(std::string_view text);
  // The most text the buffer holds.
  std::size_t room() const { return size_ == 0 ? 0 : size_ - 1; }
  // The text held so far (what the caller will see).
  const std::string& text() const { return text_; }

 private:
  void Flush();

  char* buffer_;
  std::size_t size_;
  std::string text_;
};

}  // namespace zelk::archivers
