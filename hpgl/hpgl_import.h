#pragma once
#include <memory>
#include <string>

class COnePage;

// What became of one HP-GL file.
struct HpglImport {
    std::unique_ptr<COnePage> page;  // the new job, or null when not imported
    int readResult = 0;              // CHpglFile::Read's result
    std::string error;               // why there is no job, for the user
    bool invalidArgument = false;    // the reader met an argument it cannot take
    bool nothingDrawn = false;       // read, but without a curve
};

// Reads an HP-GL file into a new job laid out for the job list (the import
// layout with the current settings). A file that draws nothing gives no job.
// Never throws for a bad file: reader and font errors come back in error.
HpglImport ImportHpglFile(const std::string& path);

// The words for a result of CHpglFile::Read.
std::string HpglReadResultText(int result);
