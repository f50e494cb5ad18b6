#pragma once
// Reader of CODA motion data files (.mdf): tagged little-endian binary sections of markers,
// force-plate and EMG channels, plate geometry and sampling rates. It reads the whole file at
// construction and scales the samples to millimetres, newtons and volts; the data-file import
// copies what it needs and drops the reader.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dez {
class ByteReader;
}

struct CodaMarker {
    std::string name;
    std::vector<float> x, y, z;  // `capacity` samples each; samples no entry filled are 0
    int32_t capacity = 0;
    float resolution = 0.0f;  // micrometres per stored unit, 0 when the file gives none
};

struct CodaChannel {
    std::string name;
    std::vector<float> samples;
    int32_t capacity = 0;
    float scale = 0.0f;  // 0 when the file gives none
};

struct CodaPlate {
    float origin[3] = {};
    float corners[12] = {};  // corners 1-4, x y z each
    char makerModel[33] = {};  // maker in the first 16 characters, model in the last 16
    bool amti = false;         // the maker text begins "AMTI"
    int32_t typeWord = -1;
    float table[12] = {};
};

class TCodaFile {
public:
    // Reads `path` at once; `report` prints refusals to standard output ("*** " + message).
    explicit TCodaFile(const char* path, bool report = true);
    TCodaFile(const TCodaFile&) = delete;
    TCodaFile& operator=(const TCodaFile&) = delete;

    bool Read(const char* path);
    // The same from bytes in memory (the path is then empty).
    bool ReadBuffer(const uint8_t* data, size_t size);

    bool IsValid() const { return valid_; }
    const std::string& GetMessage() const { return message_; }
    const std::string& GetPath() const { return path_; }
    const std::string& GetComment() const { return comment_; }
    const std::string& GetSystemName() const { return systemName_; }
    int GetVersion() const { return version_; }
    int GetSubVersion() const { return subVersion_; }
    // Bytes of the file read, which bounds what its counts may announce.
    size_t GetFileSize() const { return fileSize_; }

    int32_t GetMarkerCount() const { return static_cast<int32_t>(markers_.size()); }
    const CodaMarker* GetMarker(int32_t i) const;
    // Smallest sample capacity of the markers; 0 without markers.
    int32_t GetMinMarkerCapacity() const;
    int32_t GetForceCount() const { return static_cast<int32_t>(forces_.size()); }
    const CodaChannel* GetForce(int32_t i) const;
    int32_t GetEmgCount() const { return static_cast<int32_t>(emgs_.size()); }
    const CodaChannel* GetEmg(int32_t i) const;
    int32_t GetPlateCount() const { return static_cast<int32_t>(plates_.size()); }
    // Plate i; the first plate for an index outside the plates; null without plates.
    const CodaPlate* GetPlate(int32_t i) const;

    float GetMarkerRate() const { return markerRate_; }
    float GetForceRate() const { return forceRate_; }
    float GetEmgRate() const { return emgRate_; }
    // Whether the file gave the rate (tag 7, 8 or 9); otherwise the rate is the default 100.
    bool HasMarkerRate() const { return markerRateRead_; }
    bool HasForceRate() const { return forceRateRead_; }
    bool HasEmgRate() const { return emgRateRead_; }

    // The walk over the sections. A file that ends inside a section keeps what came before the
    // cut; GetCutSection is then the index of that section (the descriptor count when every
    // section was read in full), and it and every later section are not, or not fully, read.
    bool IsComplete() const { return cutSection_ >= tags_.size(); }
    size_t GetCutSection() const { return cutSection_; }
    // The tag number of each descriptor, in file order.
    const std::vector<int>& GetTags() const { return tags_; }
    // Offset just past the last section read: the file size for a file read in full and
    // nothing after it.
    size_t GetSectionsEnd() const { return sectionsEnd_; }

private:
    void Clear();
    bool Fail(const char* text, bool print);
    // One section; false when the file ends inside it.
    bool ReadSection(dez::ByteReader& in, uint16_t tagWord, uint16_t entries);
    void Scale();
    void NameDefaults();

    std::vector<CodaMarker> markers_;
    std::vector<CodaChannel> forces_;
    std::vector<CodaChannel> emgs_;
    std::vector<CodaPlate> plates_;
    bool platesMade_ = false;
    std::vector<int16_t> table14_;
    std::vector<int16_t> table34_;
    bool table14Made_ = false;
    bool table34Made_ = false;
    float markerRate_ = 100.0f;
    float forceRate_ = 100.0f;
    float emgRate_ = 100.0f;
    bool markerRateRead_ = false;
    bool forceRateRead_ = false;
    bool emgRateRead_ = false;
    std::vector<int> tags_;
    size_t cutSection_ = 0;
    size_t sectionsEnd_ = 0;
    std::string comment_;
    std::string systemName_;
    std::string path_;
    std::string message_;
    int version_ = 0;
    int subVersion_ = 0;
    size_t fileSize_ = 0;
    bool valid_ = false;
    bool report_ = true;
};
