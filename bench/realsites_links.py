"""What bench/realsites measures in a site and in its copies.

- crawl(): the pages reachable from a start page over <a>/<area> href and <frame>/<iframe> src on
  the same host, and the requisites those pages need (style sheets and what they import, scripts,
  images, srcset candidates, fonts and other url() targets, <object> data).
- CopyIndex: every file of a copy by content, so that a page or a requisite counts as retrieved
  wherever and under whatever name the copier put it. Pages are recognised by their text (copiers
  rewrite links and add comments or markers, never the words), style sheets and scripts by their
  code without quoted strings and url() values, everything else by its bytes.
- check_links(): every local reference of the copied HTML and CSS files, resolved as a browser
  resolves it from file://, split into resolving, broken and still pointing at the original server.
"""

import hashlib
import html.parser
import os
import re
import urllib.error
import urllib.parse
import urllib.request

HTML_EXTS = (".html", ".htm", ".xhtml", ".shtml")
KINDS = {
    "css": (".css",),
    "js": (".js", ".mjs"),
    "font": (".woff", ".woff2", ".ttf", ".otf", ".eot"),
    "image": (".png", ".gif", ".jpg", ".jpeg", ".svg", ".ico", ".webp", ".avif", ".bmp"),
}
CODE_EXTS = (".css", ".js", ".mjs", ".svg", ".json")
# <link rel> values that name something the page loads, and those that are only metadata about
# the page's original address: neither kind of metadata is a link a reader follows offline.
REQUISITE_RELS = {"stylesheet", "icon", "shortcut", "apple-touch-icon", "preload",
                  "modulepreload", "mask-icon"}
IGNORED_RELS = {"canonical", "dns-prefetch", "preconnect", "alternate", "pingback", "webmention"}
# Text that is no part of a page's words: code, and quoted markup in code samples.
UNWORDED_TAGS = ("script", "style", "pre", "code", "tt", "textarea", "samp", "kbd")
SKIPPED_SCHEMES = ("javascript:", "mailto:", "data:", "about:", "tel:", "news:", "blob:")

CSS_COMMENT = re.compile(r"/\*.*?\*/", re.S)
CSS_URL = re.compile(r"""url\(\s*(['"]?)(.*?)\1\s*\)""", re.S | re.I)
CSS_IMPORT = re.compile(r"""@import\s+(['"])(.*?)\1""", re.I)
QUOTED = re.compile(r""""(?:[^"\\\n]|\\.)*"|'(?:[^'\\\n]|\\.)*'""")


def kind_of(path):
    ext = os.path.splitext(urllib.parse.urlsplit(path).path)[1].lower()
    for kind, exts in KINDS.items():
        if ext in exts:
            return kind
    return "other"


def css_references(text):
    text = CSS_COMMENT.sub("", text)
    refs = [m.group(2).strip() for m in CSS_URL.finditer(text)]
    refs += [m.group(2).strip() for m in CSS_IMPORT.finditer(text)]
    return refs


def srcset_references(value):
    if value.strip().lower().startswith("data:"):
        return []
    return [c.split()[0] for c in value.split(",") if c.split()]


class PageScanner(html.parser.HTMLParser):
    """Collects a page's references as (role, value): role "page" for what a reader follows,
    "requisite" for what the page loads, "other" for the remaining href/src values."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.refs = []
        self.text = []
        self.title = []
        self._skip_text = 0
        self._in_style = False
        self._in_title = False

    def _add(self, role, value):
        if value is not None:
            self.refs.append((role, value.strip()))

    def handle_starttag(self, tag, attrs):
        a = {k.lower(): (v if v is not None else "") for k, v in attrs}
        if tag in UNWORDED_TAGS:
            self._skip_text += 1
            self._in_style = tag == "style"
        self._in_title = tag == "title"
        if tag in ("a", "area"):
            self._add("page", a.get("href"))
        elif tag in ("frame", "iframe"):
            self._add("page", a.get("src"))
        elif tag == "link" and "href" in a:
            rels = set(a.get("rel", "").lower().split())
            if rels & REQUISITE_RELS:
                self._add("requisite", a["href"])
            elif rels and not rels & IGNORED_RELS:
                self._add("other", a["href"])
        elif tag == "object":
            self._add("requisite", a.get("data"))
        elif tag in ("img", "script", "embed", "source", "audio", "video", "track", "input"):
            if tag != "input" or a.get("type", "").lower() == "image":
                self._add("requisite", a.get("src"))
        elif "src" in a:
            self._add("other", a["src"])
        if "srcset" in a:
            for ref in srcset_references(a["srcset"]):
                self._add("requisite", ref)
        for name in ("background", "poster"):
            if name in a:
                self._add("requisite", a[name])
        if "style" in a:
            for ref in css_references(a["style"]):
                self._add("requisite", ref)

    def handle_startendtag(self, tag, attrs):
        self.handle_starttag(tag, attrs)
        if tag in UNWORDED_TAGS:
            self.handle_endtag(tag)

    def handle_endtag(self, tag):
        if tag in UNWORDED_TAGS and self._skip_text:
            self._skip_text -= 1
            self._in_style = False
        self._in_title = False

    def handle_data(self, data):
        if self._in_style:
            for ref in css_references(data):
                self._add("requisite", ref)
        elif not self._skip_text:
            self.text.append(data)
        if self._in_title:
            self.title.append(data)


def scan_html(data):
    scanner = PageScanner()
    try:
        scanner.feed(data.decode("utf-8", "replace"))
        scanner.close()
    except Exception:  # a malformed page still yields what was read before the fault
        pass
    return scanner


def words_fingerprint(texts):
    words = re.sub(r"[\W_]+", "", "".join(texts))
    return hashlib.sha1(words.encode("utf-8")).hexdigest() if words else None


def page_fingerprint(scanner):
    """The page's words and its title's: letters and digits of its text, without markup,
    scripts, styles or code samples. Copiers may add link markers such as '*' or change spacing,
    never the words (though a copier that rewrites markup quoted in code samples changes those,
    hence the title as a second key)."""
    return words_fingerprint(scanner.text), words_fingerprint(scanner.title)


def code_fingerprint(data):
    text = data.decode("utf-8", "replace")
    text = CSS_URL.sub("url()", CSS_COMMENT.sub("", text)) if "url(" in text else text
    text = re.sub(r"\s+", "", QUOTED.sub('""', text))
    return hashlib.sha1(text.encode("utf-8")).hexdigest()


def bytes_fingerprint(data):
    return hashlib.sha1(data).hexdigest()


def looks_like_html(path, head):
    if path.lower().endswith(HTML_EXTS):
        return True
    start = head.lstrip()[:200].lower()
    return start.startswith(b"<!doctype html") or start.startswith(b"<html")


# ---------------------------------------------------------------------------------------------
# The served site


def canonical(url):
    """Address without fragment; a folder address names its index.html, as nginx serves it."""
    parts = urllib.parse.urlsplit(url)
    path = parts.path or "/"
    if path.endswith("/"):
        path += "index.html"
    return urllib.parse.urlunsplit((parts.scheme, parts.netloc, path, parts.query, ""))


def fetch(url):
    try:
        with urllib.request.urlopen(url, timeout=30) as reply:
            return reply.headers.get_content_type(), reply.read()
    except (urllib.error.URLError, OSError, ValueError):
        return None, None


def crawl(start):
    """Returns (pages, requisites): dicts of canonical address -> fingerprint (and kind)."""
    host = urllib.parse.urlsplit(start).netloc
    same_host = lambda u: urllib.parse.urlsplit(u).netloc == host and u.startswith("http")
    pages, requisites = {}, {}
    queue, seen = [canonical(start)], {canonical(start)}
    linked_requisites = []
    while queue:
        url = queue.pop()
        ctype, data = fetch(url)
        if data is None or ctype != "text/html":
            continue
        scanner = scan_html(data)
        pages[url] = page_fingerprint(scanner)
        for role, value in scanner.refs:
            if not value or value.startswith("#") or value.lower().startswith(SKIPPED_SCHEMES):
                continue
            target = canonical(urllib.parse.urljoin(url, value))
            if not same_host(target):
                continue
            if role == "page" and target not in seen:
                seen.add(target)
                queue.append(target)
            elif role == "requisite":
                linked_requisites.append(target)
    todo, done = list(dict.fromkeys(linked_requisites)), set()
    while todo:
        url = todo.pop()
        if url in done:
            continue
        done.add(url)
        ctype, data = fetch(url)
        if data is None:
            continue
        kind = kind_of(url)
        if kind == "other" and ctype:
            kind = ("css" if ctype == "text/css" else "js" if "javascript" in ctype
                    else "image" if ctype.startswith("image/") else
                    "font" if ctype.startswith("font/") else "other")
        requisites[url] = (kind, bytes_fingerprint(data),
                           code_fingerprint(data) if url_has_code(url, kind) else None)
        if kind == "css":
            for ref in css_references(data.decode("utf-8", "replace")):
                if ref and not ref.lower().startswith(SKIPPED_SCHEMES):
                    target = canonical(urllib.parse.urljoin(url, ref))
                    if same_host(target) and target not in done:
                        todo.append(target)
    return pages, requisites


def url_has_code(url, kind):
    path = urllib.parse.urlsplit(url).path.lower()
    return kind in ("css", "js") or path.endswith(CODE_EXTS)


# ---------------------------------------------------------------------------------------------
# A copy on disk


class CopyIndex:
    """Every file of a copy by fingerprint (page words, page title, code, bytes) to its path,
    and the references of its HTML and CSS files."""

    def __init__(self, root):
        self.root = root
        self.words, self.titles, self.code, self.bytes = {}, {}, {}, {}
        self.references = {}  # HTML or CSS file -> [(role, value)]
        for folder, _, files in os.walk(root):
            for name in files:
                path = os.path.join(folder, name)
                try:
                    with open(path, "rb") as f:
                        data = f.read()
                except OSError:
                    continue
                self.bytes.setdefault(bytes_fingerprint(data), path)
                lower = name.lower()
                if looks_like_html(lower, data[:512]):
                    scanner = scan_html(data)
                    self.references[path] = scanner.refs
                    words, title = page_fingerprint(scanner)
                    if words:
                        self.words.setdefault(words, []).append(path)
                    if title:
                        self.titles.setdefault(title, []).append(path)
                elif lower.endswith(CODE_EXTS) or ".css" in lower or ".js" in lower:
                    self.code.setdefault(code_fingerprint(data), path)
                    if ".css" in lower:
                        text = data.decode("utf-8", "replace")
                        self.references[path] = [("requisite", r) for r in css_references(text)]

    def page_path(self, url, fingerprint, unique_titles):
        """The copy of a page: the file with its words (of several, the one named like it), else
        the file with its title when no other page of the site has that title."""
        words, title = fingerprint
        paths = self.words.get(words) if words else None
        if not paths and title in unique_titles:
            paths = self.titles.get(title)
        if not paths:
            return None
        name = os.path.basename(urllib.parse.urlsplit(url).path)
        return next((p for p in paths if os.path.basename(p) == name), paths[0])

    def has_requisite(self, entry):
        _, raw, code = entry
        return raw in self.bytes or (code is not None and code in self.code)


def unique_titles(pages):
    counts = {}
    for _, title in pages.values():
        counts[title] = counts.get(title, 0) + 1
    return {t for t, n in counts.items() if t and n == 1}


def check_links(references, root, origin):
    """Counts the local references of a copy's HTML and CSS files: (resolving, broken, online).

    A reference is local when it is relative, root-relative or a file: address inside root; one
    to the original server (origin, "127.0.0.1:PORT") counts as online; addresses of other hosts
    and file: addresses outside root are not counted. Resolution is a browser's from file://:
    the query and fragment are dropped, the path is percent-decoded, and a folder is no page.
    References within the same page are not counted. An emptied src (a requisite the copier
    dropped) is broken; an empty href names the page itself.
    """
    resolving = broken = online = 0
    hosts = {origin, origin.replace("127.0.0.1", "localhost")}
    root = os.path.realpath(root)
    for path, refs in references.items():
        here = os.path.abspath(path)
        base = "file://" + urllib.parse.quote(here)
        for role, value in refs:
            if not value:
                if role == "requisite":
                    broken += 1
                continue
            lower = value.lower()
            if value.startswith("#") or lower.startswith(SKIPPED_SCHEMES):
                continue
            if value.startswith("//"):  # a host without a scheme: from file:// it loads nothing
                online += urllib.parse.urlsplit("http:" + value).netloc in hosts
                continue
            target = urllib.parse.urlsplit(urllib.parse.urljoin(base, value))
            if target.scheme in ("http", "https"):
                online += target.netloc in hosts
                continue
            if target.scheme != "file":
                continue
            local = urllib.parse.unquote(target.path)
            if lower.startswith("file:") and not os.path.realpath(local).startswith(root + "/"):
                continue
            if local == here:
                continue  # a place in the same page, however the copier spelled it
            if os.path.isfile(local):
                resolving += 1
            else:
                broken += 1
    return resolving, broken, online
