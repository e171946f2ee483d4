#pragma once
#include <memory>
#include <string>

#include "model/one_page.h"
#include "model/task_file.h"

// The job list. Page 0 is the job that prints next, or is printing.
class CVexaDoc {
public:
    CVexaDoc() = default;
    CVexaDoc(const CVexaDoc&) = delete;
    CVexaDoc& operator=(const CVexaDoc&) = delete;
    virtual ~CVexaDoc() = default;

    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    // nullptr for an index outside the list.
    COnePage* GetPage(int index) const;
    void AddPage(std::unique_ptr<COnePage> page);
    // Inserts before index; an index past the end appends.
    void InsertPage(int index, std::unique_ptr<COnePage> page);
    // An index outside the list does nothing.
    void RemovePage(int index);
    void RemoveAllPages();
    // Moves the job at index (>= 1) to the front, or behind the printing job
    // while a plot runs.
    void MovePageToFront(int index, bool plotRunning);

    // Task files. Each returns an error message, or an empty string.
    // Loading replaces the list only when the whole file was read; an empty
    // file leaves the list as it is. Saving replaces the target atomically.
    std::string LoadTaskFile(const std::string& path);
    std::string SaveTaskFile(const std::string& path) const;
    // The job list as one HP-GL file.
    std::string ExportHpgl(const std::string& path) const;

    PageList m_pages;
};

extern const char* const MSG_SPLIT_PRINTING_JOB;

// Cuts the job at index into pages of length mm along X, placed at the head
// of the list (behind the printing job while a plot runs), the remainder
// staying where the job was. Applies the length check; returns the message
// to show, or an empty string.
std::string SplitByLength(CVexaDoc& doc, int index, int mm, bool plotRunning);
