#pragma once
// Helpers of the mesh tests: a shapeVP whose arrays a test sets directly, and a log capture.
#include <string>
#include <utility>
#include <vector>

#include <wx/log.h>

#include "shapes/shapeVP.h"

class TestMesh : public shapeVP {
public:
    TestMesh() { m_useDisplayList = false; }
    void Set(std::vector<float> vertices, std::vector<int32_t> faces) {
        SetMesh(std::move(vertices), std::move(faces));
    }
    void SetVertexNormals(std::vector<float> normals) { SetNormals(std::move(normals)); }
};

// Records every log message with its level and function while it is the active target.
class LogCapture : public wxLog {
public:
    struct Entry {
        wxLogLevel level;
        std::string text;
        std::string function;
    };
    LogCapture() { previous_ = wxLog::SetActiveTarget(this); }
    ~LogCapture() override { wxLog::SetActiveTarget(previous_); }
    std::vector<Entry> entries;
    std::string All() const {
        std::string s;
        for (const auto& e : entries) s += e.text + "\n";
        return s;
    }

protected:
    void DoLogRecord(wxLogLevel level, const wxString& message,
                     const wxLogRecordInfo& info) override {
        entries.push_back({level, message.utf8_string(), info.func ? info.func : ""});
    }

private:
    wxLog* previous_ = nullptr;
};
