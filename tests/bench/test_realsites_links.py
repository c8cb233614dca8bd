"""The real-site benchmark's measuring rules: which references of a copy resolve from file://,
and that a page or style sheet is recognised after a copier has rewritten it."""

import os
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "bench"))
import realsites_links as links  # noqa: E402

ORIGIN = "127.0.0.1:8080"

# A copy: site/a/page.html, site/a/other.html, site/style.css?v=1.css (as wget names a style
# sheet with a query), site/img one.png, site/folder/ (no index).
FILES = ["a/page.html", "a/other.html", "style.css?v=1.css", "img one.png", "folder/x.txt"]


class CheckLinksTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.root = os.path.join(self.tmp.name, "site")
        for rel in FILES:
            path = os.path.join(self.root, rel)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w") as f:
                f.write("x")
        self.page = os.path.join(self.root, "a", "page.html")

    def tearDown(self):
        self.tmp.cleanup()

    def count(self, role, value):
        return links.check_links({self.page: [(role, value)]}, self.root, ORIGIN)

    def test_each_kind_of_reference(self):
        cases = [  # (role, value, (resolving, broken, online))
            ("page", "other.html", (1, 0, 0)),
            ("page", "other.html#part", (1, 0, 0)),
            ("page", "../a/other.html?x=1", (1, 0, 0)),
            ("requisite", "../style.css%3Fv=1.css", (1, 0, 0)),
            ("requisite", "../img%20one.png", (1, 0, 0)),
            ("page", "missing.html", (0, 1, 0)),
            ("page", "/a/other.html", (0, 1, 0)),           # root-relative: the disk's root
            ("page", "../folder/", (0, 1, 0)),              # a folder is no page
            ("requisite", "", (0, 1, 0)),                   # a requisite the copier emptied
            ("page", "", (0, 0, 0)),                        # the page itself
            ("page", "page.html#top", (0, 0, 0)),           # within the page
            ("page", "#top", (0, 0, 0)),
            ("page", "http://127.0.0.1:8080/a/other.html", (0, 0, 1)),
            ("page", "http://localhost:8080/", (0, 0, 1)),
            ("page", "//127.0.0.1:8080/a/other.html", (0, 0, 1)),
            ("page", "https://example.org/", (0, 0, 0)),    # another host
            ("page", "http://127.0.0.1:9999/", (0, 0, 0)),  # another server
            ("page", "mailto:someone@example.org", (0, 0, 0)),
            ("requisite", "data:image/png;base64,AAAA", (0, 0, 0)),
            ("page", "file:///usr/share/doc/", (0, 0, 0)),  # a file outside the copy
        ]
        for role, value, expected in cases:
            with self.subTest(value=value, role=role):
                self.assertEqual(self.count(role, value), expected)

    def test_file_address_inside_the_copy_is_local(self):
        inside = "file://" + os.path.join(self.root, "a", "other.html")
        self.assertEqual(self.count("page", inside), (1, 0, 0))
        self.assertEqual(self.count("page", inside + ".gone"), (0, 1, 0))


ORIGINAL = b"""<!DOCTYPE html><html><head><title>Numeric Types</title>
<link rel="stylesheet" href="../style.css?v=1"><script src="x.js"></script></head>
<body><p>See <a href="other.html">other</a> and <a href="https://example.org/">the site</a>.</p>
<pre>&lt;img src="logo.png"&gt;</pre></body></html>"""

COPIES = [  # what copiers do to a page that must not hide it
    ("links rewritten", ORIGINAL.replace(b"../style.css?v=1", b"../style.css%3Fv=1.css")),
    ("marker comment", ORIGINAL.replace(b"<head>", b"<!-- Mirrored from x --><head>")),
    ("link markers", ORIGINAL.replace(b">the site<", b">* the site *<")),
    ("line ends", ORIGINAL.replace(b"\n", b"\r\n")),
    ("quoted markup rewritten", ORIGINAL.replace(b'src="logo.png"', b'src=""')),
    ("script dropped", ORIGINAL.replace(b'src="x.js"', b'src=""')),
]


class FingerprintTest(unittest.TestCase):
    def test_rewritten_page_keeps_its_words(self):
        words, title = links.page_fingerprint(links.scan_html(ORIGINAL))
        for name, copy in COPIES:
            with self.subTest(name):
                self.assertEqual(links.page_fingerprint(links.scan_html(copy)), (words, title))

    def test_other_text_is_another_page(self):
        copy = ORIGINAL.replace(b"See", b"Read")
        self.assertNotEqual(links.page_fingerprint(links.scan_html(copy))[0],
                            links.page_fingerprint(links.scan_html(ORIGINAL))[0])

    def test_style_sheet_with_rewritten_urls_is_the_same_code(self):
        css = b'@import "base.css";\nbody { background: url(../img/a.png?1) }'
        rewritten = b'@import "base%3F.css";\nbody { background: url("../img/a.png") }'
        self.assertEqual(links.code_fingerprint(css), links.code_fingerprint(rewritten))
        self.assertNotEqual(links.code_fingerprint(css),
                            links.code_fingerprint(css.replace(b"body", b"div")))


class ScanTest(unittest.TestCase):
    def test_roles_of_references(self):
        page = b"""<html><head><link rel="stylesheet" href="s.css"><link rel="canonical"
        href="file:///x"><link rev="made" href="who@example.org"><link rel="next" href="n.html">
        <style>@import url(i.css); p { background: url('bg.gif') }</style></head>
        <body background="b.jpg"><a href="a.html">a</a><iframe src="f.html"></iframe>
        <img src="i.png" srcset="i1.png 1x, i2.png 2x"><object data="d.svg"></object>
        <div style="background:url(s.png)"></div><script src="j.js"></script></body></html>"""
        refs = links.scan_html(page).refs
        self.assertCountEqual(refs, [
            ("requisite", "s.css"), ("other", "n.html"), ("requisite", "i.css"),
            ("requisite", "bg.gif"), ("requisite", "b.jpg"), ("page", "a.html"),
            ("page", "f.html"), ("requisite", "i.png"), ("requisite", "i1.png"),
            ("requisite", "i2.png"), ("requisite", "d.svg"), ("requisite", "s.png"),
            ("requisite", "j.js")])


if __name__ == "__main__":
    unittest.main()
