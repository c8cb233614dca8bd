#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

class QLocale;

// Texts of the result grid and the caption.
std::string FinderSizeText(std::int64_t size);                           // "1" for under 1 KB
std::string FinderTotalText(std::int64_t bytes, const QLocale& locale);  // "1000 KB", "0.98 MB"
std::string FinderAttrText(int attr);                                    // "R, A, H"; "" for others
std::string FinderModifiedText(std::int64_t time, const QLocale& locale);

bool IsAnyOf(const std::string& text, std::initializer_list<const char*> list);
bool IsHtmlPreview(const std::string& ext);   // a page the preview shows
bool IsImagePreview(const std::string& ext);  // a picture the preview shows
