#pragma once
// A stream buffer that hands whatever is written to it to a sink one batch of whole lines at a
// time, as valid UTF-8: the main window puts it behind std::cout and std::cerr so that the
// program's messages appear in its "Log" page. Appending line by line (rather than byte by byte)
// keeps a multi-byte character in one piece and the text control's work small.
#include <cstddef>
#include <functional>
#include <streambuf>
#include <string>
#include <string_view>

class LogStreamBuf : public std::streambuf {
public:
    // Receives one or more whole lines, each ending in '\n', except for the text handed over by
    // Flush() or a line cut at kMaxLineBytes.
    using Sink = std::function<void(const std::string& utf8)>;

    // A line that grows beyond this many bytes without a line end is handed over in pieces (cut
    // between characters), so a stream that never ends a line cannot hold memory forever.
    static constexpr std::size_t kMaxLineBytes = 64 * 1024;

    explicit LogStreamBuf(Sink sink);
    // Hands an unfinished last line over, as Flush() does.
    ~LogStreamBuf() override;
    LogStreamBuf(const LogStreamBuf&) = delete;
    LogStreamBuf& operator=(const LogStreamBuf&) = delete;

    // Hands everything held back, an unfinished line included, to the sink now.
    void Flush();

protected:
    int_type overflow(int_type ch) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    // Flushes (std::flush, std::endl, and every write to the unit-buffered std::cerr) deliver
    // the whole lines only: an unfinished line waits for its end.
    int sync() override;

private:
    void Deliver(bool everything);

    Sink sink_;
    std::string pending_;
    bool delivering_ = false;
};

// The bytes as UTF-8 with every byte that does not belong to a valid sequence (overlong forms,
// surrogates, values above U+10FFFF, stray continuation bytes, cut sequences) replaced by U+FFFD.
std::string RepairUtf8(std::string_view bytes);
