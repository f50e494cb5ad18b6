// Recordings whose file name begins "c#": the point file and its "v1" analog companion.
#include <string>

#include "importers/TCPrefixFile.h"
#include "motion/TDataFile.h"
#include "platform/Paths.h"

bool TDataFile::ReadCPrefix(const char* filePath, bool readFrames) {
    TCPrefixFile pointFile(filePath);
    const std::string full = filePath ? filePath : "";
    if (!pointFile.IsValid()) {
        SetErrorText((dez::NameOf(full) + ": " + pointFile.GetMessage()).c_str());
        return false;
    }
    if (readFrames) {
        missingValue = 0.0f;
        delete points;
        points = new Matrix2D(*pointFile.GetSamples());
        pointRate = static_cast<float>(pointFile.GetRate());
        dimension = pointFile.GetValuesPerItem();
        if (dimension >= 3) {
            // Y-up to Z-up: (x, y, z) becomes (x, -z, y).
            for (int32_t f = 0; f < points->GetCols(); ++f)
                for (int32_t row = 0; row + 2 < points->GetRows(); row += dimension) {
                    const double y = points->GetValue(row + 1, f);
                    const double z = points->GetValue(row + 2, f);
                    points->SetValue(row + 1, f, -z);
                    points->SetValue(row + 2, f, y);
                }
        }
        firstFrame = 0;
        lastFrame = pointFile.GetFrames() - 1;
        delete pointLabels;
        pointLabels = MakeLabelList(pointFile.GetItems(), "marker ");
        delete analog;
        analog = nullptr;
        delete analogLabels;
        analogLabels = nullptr;
        plateCount = 0;
        InvalidatePlateCache();
    }

    const std::string stem = dez::StemOf(full);
    ReplaceText(formatText, stem.c_str());
    // c#0042.dat goes with v1#0042.dat.
    const std::string companion =
        dez::JoinPath(dez::FolderOf(full), "v1" + (stem.empty() ? stem : stem.substr(1)) + dez::ExtensionOf(full));
    TCPrefixFile companionFile(companion.c_str());
    if (companionFile.IsValid() && readFrames) {
        analogRate = static_cast<float>(companionFile.GetRate());
        delete analog;
        analog = new Matrix2D(*companionFile.GetSamples());
        // The list was emptied with the point table just read.
        delete analogLabels;
        analogLabels = MakeLabelList(analog->GetRows(), "Channel ");
        InvalidatePlateCache();
    }
    return true;
}
