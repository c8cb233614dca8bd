#pragma once

#include <string>
#include <vector>

// The pages a page view has shown, in visiting order, and the position of the one it shows.
class PageHistory {
  public:
    // Pages named by paths on a file system that ignores case are compared that way.
    explicit PageHistory(bool ignoreCase = false) : ignoreCase_(ignoreCase) {}

    // A page shown: a page already in the history becomes the position; a new page drops the
    // pages after the position and joins at the end.
    void Visit(const std::string& page);
    void Clear();

    const std::vector<std::string>& Entries() const { return entries_; }
    int Index() const { return index_; }
    bool CanGoBack() const { return !entries_.empty() && index_ > 0; }
    bool CanGoForward() const {
        return !entries_.empty() && index_ < static_cast<int>(entries_.size()) - 1;
    }
    // The page `step` places from the position; empty when there is none.
    std::string At(int step) const;

  private:
    bool ignoreCase_;
    std::vector<std::string> entries_;
    int index_ = -1;
};
