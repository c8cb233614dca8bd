"""Real-site benchmark: copies of two real manuals (PostgreSQL 15, Python 3.11, as Debian ships
them) made by lanternway-get, wget and HTTrack, from nginx on 127.0.0.1, and how complete and
how browsable offline each copy is.

For each site: the pages reachable from the start page and the requisites they need (found by
crawling the served site), how many of each every copy holds, the local links of the copied HTML
and CSS files that resolve, are broken, or still point at the server, wall time and peak memory
of the copier, and the pixel difference between headless Chromium's rendering of a few pages
from the copy (file://, with the server stopped) and from the server.
"""

import argparse
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import realsites_links as links  # noqa: E402
import realsites_render as render  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
lanternway_get = os.path.join(ROOT, "build", "release", "lanternway-get")
REPORT = os.path.join(ROOT, "build", "bench", "realsites.md")

SITES = {
    "postgresql": {
        "title": "PostgreSQL 15 manual",
        "package": "postgresql-doc-15",
        "root": "/usr/share/doc/postgresql-doc-15/html",
        "pages": ["index.html", "tutorial-select.html", "sql-select.html",
                  "datatype-numeric.html", "storage-page-layout.html"],
    },
    "python": {
        "title": "Python 3.11 manual",
        "package": "python3.11-doc",
        "root": "/usr/share/doc/python3.11/html",
        "pages": ["index.html", "tutorial/introduction.html", "library/functions.html",
                  "reference/datamodel.html", "howto/sorting.html"],
    },
}
TOOL_NAMES = {"lanternway": "lanternway-get", "wget": "wget", "httrack": "HTTrack"}


def site_root(site):
    """The manual's HTML folder: where the package is known to put it, else found in its list."""
    if os.path.isfile(os.path.join(site["root"], "index.html")):
        return site["root"]
    listed = subprocess.run(["dpkg", "-L", site["package"]], capture_output=True, text=True)
    found = sorted((p for p in listed.stdout.split() if p.endswith("/html/index.html")), key=len)
    return os.path.dirname(found[0]) if found else None


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def start_nginx(root, work):
    """nginx on a free port of 127.0.0.1 serving root. Symbolic links are followed (the Python
    manual's scripts link into /usr/share/javascript), so the served site is the complete one."""
    port = free_port()
    types = ("include /etc/nginx/mime.types;" if os.path.isfile("/etc/nginx/mime.types") else
             "types { text/html html htm; text/css css; application/javascript js; "
             "image/png png; image/gif gif; image/jpeg jpg; image/svg+xml svg; }")
    conf = os.path.join(work, "nginx.conf")
    with open(conf, "w") as f:
        f.write(("user root;\n" if os.geteuid() == 0 else "") + f"""worker_processes 2;
pid {work}/nginx.pid;
error_log {work}/error.log;
events {{ worker_connections 1024; }}
http {{
    {types}
    default_type application/octet-stream;
    access_log off;
    sendfile on;
    keepalive_requests 100000;
    disable_symlinks off;
    client_body_temp_path {work}/body;
    proxy_temp_path {work}/proxy;
    fastcgi_temp_path {work}/fastcgi;
    uwsgi_temp_path {work}/uwsgi;
    scgi_temp_path {work}/scgi;
    server {{
        listen 127.0.0.1:{port};
        root {root};
        index index.html;
    }}
}}
""")
    proc = subprocess.Popen(["/usr/sbin/nginx", "-p", work, "-c", conf, "-g", "daemon off;"],
                            stderr=subprocess.DEVNULL)
    for _ in range(100):
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.1).close()
            return proc, port
        except OSError:
            time.sleep(0.05)
    proc.kill()
    raise RuntimeError("nginx did not start; see " + work + "/error.log")


def stop_nginx(proc):
    if proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def unserved_symlinks(root, port):
    """Symbolic links of the site that nginx does not serve (they would make it incomplete)."""
    missing = []
    for folder, _, files in os.walk(root):
        for name in files:
            path = os.path.join(folder, name)
            if os.path.islink(path):
                rel = os.path.relpath(path, root)
                ctype, data = links.fetch(f"http://127.0.0.1:{port}/{rel}")
                if data is None:
                    missing.append(rel)
    return missing


def lanternway_complete():
    try:
        done = subprocess.run([lanternway_get, "--help"], capture_output=True, text=True, timeout=30)
    except (OSError, subprocess.TimeoutExpired):
        return False
    return "--complete" in done.stdout + done.stderr


def command(tool, url, out, complete):
    if tool == "lanternway":
        mode = ["--complete"] if complete else ["--entire-site"]
        return [lanternway_get, *mode, "--quiet", url, os.path.join(out, "site.lwa")]
    if tool == "wget":
        return ["wget", "-r", "-p", "-k", "-E", "-np", "-l", "inf", "-e", "robots=off", "-nv",
                "-P", out, url]
    if tool == "httrack":
        # Ten connections without HTTrack's politeness limits (they make it crawl at a few KB/s
        # on loopback); this host only, relative links, no questions.
        host = url.split("/")[2]
        return ["httrack", url, "-O", out, "-c10", "-%c0", "-A0", "-%!", "-s0", "-q",
                "-*", f"+{host}/*"]
    raise ValueError(tool)


def parse_time_v(path):
    wall = rss = None
    with open(path) as f:
        for line in f:
            line = line.strip()
            if line.startswith("Elapsed (wall clock) time"):
                parts = line.rsplit(" ", 1)[1].split(":")
                wall = sum(float(p) * 60 ** i for i, p in enumerate(reversed(parts)))
            elif line.startswith("Maximum resident set size"):
                rss = int(line.rsplit(" ", 1)[1]) / 1024.0
    return wall, rss


def run_tool(tool, url, out, complete, timeout):
    """Runs one copier; returns (wall s, peak RSS MB, note) with note None when it ran."""
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    timing = out + ".time"
    log = out + ".log"
    cmd = ["/usr/bin/time", "-v", "-o", timing] + command(tool, url, out, complete)
    try:
        with open(log, "wb") as logfile:
            done = subprocess.run(cmd, stdout=logfile, stderr=subprocess.STDOUT,
                                  stdin=subprocess.DEVNULL, timeout=timeout,
                                  start_new_session=True)
    except subprocess.TimeoutExpired:
        return None, None, f"timed out after {timeout} s"
    except OSError as e:
        return None, None, f"could not run: {e}"
    wall, rss = parse_time_v(timing) if os.path.exists(timing) else (None, None)
    note = None
    if done.returncode in (126, 127):  # /usr/bin/time could not start the copier
        return None, None, f"could not run {cmd[4]}"
    if done.returncode != 0:
        with open(log, "rb") as f:
            tail = f.read()[-300:].decode("utf-8", "replace").strip().splitlines()
        # wget says 8 when the site has a broken link: the copy is still complete.
        if not (tool == "wget" and done.returncode == 8):
            note = f"exit {done.returncode}" + (f": {tail[-1][:120]}" if tail else "")
    return wall, rss, note


def measure_site(key, args, base, tools, complete):
    site = SITES[key]
    root = site_root(site)
    result = {"key": key, "title": site["title"], "root": root, "rows": {}, "render": {},
              "problems": []}
    if not root:
        result["problems"].append(f"{site['package']} is not installed")
        return result
    work = tempfile.mkdtemp(prefix=f"{key}-", dir=base)
    screens = os.path.join(work, "screens")
    os.makedirs(screens)
    nginx, port = start_nginx(root, work)
    url = f"http://127.0.0.1:{port}/"
    origin = f"127.0.0.1:{port}"
    try:
        unserved = unserved_symlinks(root, port)
        if unserved:
            result["problems"].append("not served: " + ", ".join(unserved[:5]))
        print(f"{key}: crawling {url}", file=sys.stderr)
        pages, requisites = links.crawl(url)
        result["pages"], result["requisites"] = pages, requisites
        runs = {}
        for tool in tools:
            print(f"{key}: copying with {tool}", file=sys.stderr)
            out = os.path.join(work, tool)
            runs[tool] = (out,) + run_tool(tool, url, out, complete, args.timeout)
        reference = {}
        if not args.no_render:
            print(f"{key}: rendering the served pages", file=sys.stderr)
            for page in site["pages"]:
                reference[page] = render.screenshot(url + page,
                                                    os.path.join(screens, "served-" +
                                                                 page.replace("/", "_") + ".png"),
                                                    work)
    finally:
        # Everything below looks at the copies alone: a link left pointing at the server must
        # not find it there.
        stop_nginx(nginx)

    titles = links.unique_titles(pages)
    wanted = {links.canonical(url + p): p for p in site["pages"]}
    for tool in tools:
        out, wall, rss, note = runs[tool]
        print(f"{key}: checking the copy of {tool}", file=sys.stderr)
        row = {"wall": wall, "rss": rss, "note": note}
        index = links.CopyIndex(out)
        row["pages"] = sum(1 for u, fp in pages.items() if index.page_path(u, fp, titles))
        row["requisites"] = {u: index.has_requisite(e) for u, e in requisites.items()}
        row["links"] = links.check_links(index.references, out, origin)
        if wall is not None and not index.references:
            row["wall"], row["note"] = None, "no page retrieved" + (f" ({note})" if note else "")
        result["rows"][tool] = row
        if args.no_render:
            continue
        for address, page in wanted.items():
            copy = index.page_path(address, pages[address], titles) if address in pages else None
            if copy is None:
                result["render"].setdefault(page, {})[tool] = "missing"
                continue
            shot = render.screenshot("file://" + render.quote_path(copy),
                                     os.path.join(screens, f"{tool}-" + page.replace("/", "_") +
                                                  ".png"), work)
            result["render"].setdefault(page, {})[tool] = render.difference(reference.get(page),
                                                                             shot)
    print(f"{key}: checking the served folder", file=sys.stderr)
    index = links.CopyIndex(root)
    result["baseline"] = links.check_links(index.references, root, origin)
    if args.keep:
        print(f"{key}: copies and screenshots kept in {work}", file=sys.stderr)
    else:
        shutil.rmtree(work, ignore_errors=True)
    return result


def percent(part, whole):
    return f"{100.0 * part / whole:.1f} %" if whole else "-"


def requisite_cell(row, requisites):
    kinds = {}
    for u, (kind, _, _) in requisites.items():
        got, total = kinds.get(kind, (0, 0))
        kinds[kind] = (got + row["requisites"][u], total + 1)
    got = sum(row["requisites"].values())
    detail = ", ".join(f"{k} {g}/{t}" for k, (g, t) in sorted(kinds.items()))
    return f"{got}/{len(requisites)} ({detail})" if requisites else "0/0"


def site_report(result, tools, complete):
    lines = [f"### {result['title']}", ""]
    if "pages" not in result:
        return lines + [f"Not measured: {'; '.join(result['problems'])}", ""]
    pages, requisites = result["pages"], result["requisites"]
    lines.append(f"Served from `{result['root']}`: {len(pages)} pages reachable from the start "
                 f"page, {len(requisites)} requisites referenced by them.")
    for p in result["problems"]:
        lines.append(f"Note: {p}.")
    lines += ["", "| tool | pages | requisites | local links | broken | resolving | online "
              "| wall s | peak RSS MB |", "|---|---|---|---|---|---|---|---|---|"]
    for tool in tools:
        row = result["rows"][tool]
        name = TOOL_NAMES[tool]
        if tool == "lanternway":
            name += " --complete" if complete else " (classic)"
        if row["wall"] is None:
            lines.append(f"| {name} | failed: {row['note']} | | | | | | | |")
            continue
        ok, broken, online = row["links"]
        name += f" ({row['note']})" if row["note"] else ""
        lines.append(f"| {name} | {row['pages']}/{len(pages)} | "
                     f"{requisite_cell(row, requisites)} | {ok + broken} | {broken} | "
                     f"{percent(ok, ok + broken)} | {online} | {row['wall']:.2f} | "
                     f"{row['rss']:.0f} |")
    ok, broken, online = result["baseline"]
    lines.append(f"| served folder, as is | - | - | {ok + broken} | {broken} | "
                 f"{percent(ok, ok + broken)} | {online} | - | - |")
    if result["render"]:
        lines += ["", "Pixels that differ between the copy (file://, server stopped) and the "
                  "served page, 1280x2000:", "",
                  "| page | " + " | ".join(TOOL_NAMES[t] for t in tools) + " |",
                  "|---|" + "---|" * len(tools)]
        for page, cells in result["render"].items():
            lines.append(f"| {page} | " + " | ".join(cells.get(t, "-") for t in tools) + " |")
    return lines + [""]


def main():
    global lanternway_get
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--sites", default="postgresql python")
    ap.add_argument("--tools", default="lanternway wget httrack")
    ap.add_argument("--disk", action="store_true", help="write the copies to disk, not a tmpfs")
    ap.add_argument("--no-render", action="store_true", help="skip the Chromium comparison")
    ap.add_argument("--keep", action="store_true", help="keep the copies and screenshots")
    ap.add_argument("--timeout", type=int, default=1800, help="seconds a copier may take")
    ap.add_argument("--lanternway", metavar="PATH", default=lanternway_get,
                    help="the lanternway-get to measure (default: this tree's Release build)")
    args = ap.parse_args()
    lanternway_get = os.path.abspath(args.lanternway)
    tools = [t for t in args.tools.split() if t in TOOL_NAMES]
    sites = [s for s in args.sites.split() if s in SITES]

    base = os.path.join(ROOT, "build", "bench", "realsites-out")
    if not args.disk and os.path.isdir("/dev/shm") and os.access("/dev/shm", os.W_OK):
        base = "/dev/shm/lanternway-realsites"
    os.makedirs(base, exist_ok=True)
    complete = "lanternway" in tools and lanternway_complete()

    lines = ["## Real sites", "",
             f"Copies written to {'disk' if args.disk else 'tmpfs'}; lanternway-get ran "
             f"{'--complete' if complete else 'in its classic mode (--entire-site): --complete is not built yet'}.",
             ""]
    for key in sites:
        try:
            result = measure_site(key, args, base, tools, complete)
        except Exception as e:  # one site's failure leaves the other's figures
            result = {"title": SITES[key]["title"], "problems": [f"{type(e).__name__}: {e}"]}
        lines += site_report(result, tools, complete)
    lines += [
        "pages: reachable pages (over <a>, <area>, <frame>, <iframe> on the same host) found in "
        "the copy, by their words, under whatever name. requisites: style sheets, scripts, "
        "images, fonts and <object> data of those pages and what their style sheets import, "
        "found by content. local links: relative, root-relative and file: references (href, "
        "src, srcset, url(), @import) of every copied HTML and CSS file, within-page ones "
        "left out; broken: no file there from file://; online: still pointing at the server. "
        "Links to other hosts are not counted."]
    text = "\n".join(lines) + "\n"
    os.makedirs(os.path.dirname(REPORT), exist_ok=True)
    with open(REPORT, "w") as f:
        f.write(text)
    print(text)
    print(f"Written to {os.path.relpath(REPORT, ROOT)}", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
