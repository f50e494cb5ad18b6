#pragma once
// What the text mesh readers share: the file's bytes, inflated when the name ends in ".gz", and a
// reader of blank-separated words whose numbers always use "." whatever the locale.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dez {

// Reads the whole file; when the path's last three characters, lower-cased, are ".gz" the bytes
// are inflated (gzip or zlib header). False with a message naming the file on failure.
bool ReadMeshFile(const std::string& path, std::string& out, std::string& error);
// Inflates gzip or zlib data; false when it is not such data or is cut short.
bool InflateBytes(std::string_view packed, std::string& out);

// The whole word as a number ("." whatever the locale, optional sign and exponent, "inf" and
// "nan" as strtod reads them); false when it is not one number. Plain decimals take a short
// exact path: mesh files hold millions of them.
bool WordToDouble(std::string_view word, double& out);

// Words are runs of characters other than blank, tab, CR, LF, VT and FF; line breaks carry no
// meaning after the first line.
class MeshWords {
public:
    explicit MeshWords(std::string_view text) : text_(text) {}

    // The first line without its line end (LF, CRLF or CR); the words start after it.
    std::string_view FirstLine();
    // The next word, empty at the end of the text.
    std::string_view Next();
    // The leading integer of the next word (C conversion rules, "." only); 0 when the word is
    // missing or does not start with a number. Values beyond the long long range are clamped.
    long long NextInt();
    // The leading real of the next word; 0 when missing or not a number.
    double NextReal();
    // Bytes not yet consumed: a bound on how many words can still follow.
    size_t Remaining() const { return text_.size() - pos_; }
    // Byte offset of the next unread character, for messages.
    size_t Offset() const { return pos_; }

    static long long ToInt(std::string_view word);
    static double ToReal(std::string_view word);

private:
    std::string_view text_;
    size_t pos_ = 0;
};

// Reads `faceCount` face records of the SHL and TXV files (a corner count k, then k 1-based
// vertex indices) into shapeVP faces: at most 4 corners kept, indices made 0-based, the rest of
// the record read and dropped. A missing corner count gives an empty face. A negative corner
// count, one larger than the text left, or a kept index outside 1 to vertexCount fails with a
// message.
bool ReadTextFaces(MeshWords& words, long long faceCount, long long vertexCount,
                   std::vector<int32_t>& faces, std::string& error);

}  // namespace dez
