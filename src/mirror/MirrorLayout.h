#pragma once

#include <string>
#include <string_view>

// Where the files of a complete copy go: paths inside the project folder that mirror the paths
// of the site, so that two pages of the same name in different folders stay two files.
//
//   http://site/docs/a.html      docs/a.html
//   http://site/docs/            docs/index.html
//   http://site/a.php?x=1&y=2    a.php@x=1&y=2         "@" stands for "?"
//   http://site/about  (HTML)    about.html            a page served as text/html gets ".html"
//   https://cdn.example/s.js     _hosts/https/cdn.example/s.js
//   http://other:8080/p.png      _hosts/http/other@8080/p.png
//
// Files of the site's own scheme, host and port lie at the top of the project folder. Files of
// any other origin lie under "_hosts/<scheme>/<host>[@<port>]/". The top folder "_hosts" is the
// one name the site's own paths cannot produce: a site path whose first segment would be
// "_hosts" (in any case) has its "_" written as "%5F", which no other path gives, since "%5F"
// is always decoded to "_" elsewhere. Ports and hosts are separated by "@", which no host holds.
//
// Each segment is written so that every file system can hold it and no path leaves the project
// folder:
//   - percent-escapes of unreserved characters and of UTF-8 sequences are decoded ("%7E" is
//     "~", "caf%C3%A9" is "café"); other escapes are kept, with upper-case digits ("%2F" stays
//     "%2F", so a slash never enters a name);
//   - what is unsafe in a file name (controls, space, \ : * ? " < > | and non-UTF-8 bytes) is
//     percent-encoded, "@" too (it marks the query) and a "%" that starts no escape;
//   - a segment that would be "." or ".." is written "%2E" or "%2E%2E";
//   - a segment over 200 bytes is cut and gets "~" and 16 hex digits of a hash of the whole
//     segment, before its extension; so no name exceeds 255 bytes, even with ".html" added.
//   - empty segments ("a//b") are left out.
// Case is kept: the site's "A.html" and "a.html" are two files.

namespace mirror {

class MirrorLayout {
  public:
    // siteAddress: the address the copy starts from; its scheme, host and port are the site's.
    explicit MirrorLayout(std::string_view siteAddress);

    bool Valid() const { return !siteOrigin_.empty(); }

    // The local path of an address ("/"-separated, relative to the project folder); empty for
    // an address that is not http or https. contentType is the Content-Type the file was
    // served with, when known: text/html (or XHTML) without an .html or .htm name gets ".html".
    std::string LocalPath(std::string_view address, std::string_view contentType = {}) const;

  private:
    std::string siteOrigin_;  // "scheme://host[:port]", normalised
};

// Whether a Content-Type names an HTML page ("text/html; charset=utf-8", XHTML).
bool IsHtmlContentType(std::string_view contentType);

// The relative reference from the page at local path from to the file at local path to, both
// relative to the project folder: "../images/a.png". Each segment is percent-encoded where a
// reference needs it ("%", "#", "?", spaces, non-ASCII bytes), so that a browser opens exactly
// that file.
std::string RelativeReference(std::string_view from, std::string_view to);

}  // namespace mirror
