"""Site-copy benchmark: lanternway-get against wget, wget2, HTTrack and aria2c.

Every tool copies the same generated site from one nginx on 127.0.0.1, alternately (A B C ... A B C
...), into a fresh folder on a tmpfs (or on disk with --disk). Each run is checked to have every
page and image; the table gives the median wall time with min and max, files/s, client CPU seconds
and peak RSS, and each tool's time and CPU as ratios to lanternway-get's in the same round (the
median, min and max of those ratios over the rounds: the machine's speed may drift between
rounds, the ratio of neighbouring runs much less). "window" is the same session run from the main
window (offscreen); "complete" is lanternway-get --complete, so its ratio is the complete copy's
time against a classic copy's in the same round. A second table times the link conversion of the
pages on its own: lanternway's (lw_convert_run on a copy retrieved without conversion) against
the time wget reports for its own link conversion.

A tool "lanternway=PATH" is another build of lanternway-get run the same way, to compare two
builds in the same rounds: --tools "lanternway lanternway=/tmp/before/lanternway-get wget2".
"""

import argparse
import os
import re
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build", "release")
SIZES = {"small": (500, 500), "large": (5000, 5000), "huge": (25000, 25000)}


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def generate(size, seed):
    pages, images = SIZES[size]
    site = os.path.join(ROOT, "build", "bench-sites", f"{size}-seed{seed}")
    if not os.path.exists(os.path.join(site, "urls.txt")):
        shutil.rmtree(site, ignore_errors=True)
        subprocess.run([os.path.join(BUILD, "gensite"), "--pages", str(pages), "--images",
                        str(images), "--seed", str(seed), "--out", site], check=True)
    return site, pages, images


def start_nginx(site, work):
    port = free_port()
    conf = os.path.join(work, "nginx.conf")
    with open(conf, "w") as f:
        f.write(f"""worker_processes 2;
pid {work}/nginx.pid;
error_log {work}/error.log;
events {{ worker_connections 1024; }}
http {{
    access_log off;
    sendfile on;
    tcp_nopush on;
    keepalive_timeout 65;
    keepalive_requests 100000;
    types {{ text/html html htm; image/gif gif; image/jpeg jpg; text/plain txt; }}
    client_body_temp_path {work}/body;
    proxy_temp_path {work}/proxy;
    fastcgi_temp_path {work}/fastcgi;
    uwsgi_temp_path {work}/uwsgi;
    scgi_temp_path {work}/scgi;
    server {{
        listen 127.0.0.1:{port};
        root {site};
        index index.html;
    }}
}}
""")
    user = "" if os.geteuid() != 0 else "user root;\n"
    if user:
        with open(conf) as f:
            text = f.read()
        with open(conf, "w") as f:
            f.write(user + text)
    proc = subprocess.Popen(["/usr/sbin/nginx", "-p", work, "-c", conf, "-g", "daemon off;"],
                            stderr=subprocess.DEVNULL)
    for _ in range(100):
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.1).close()
            return proc, port
        except OSError:
            time.sleep(0.05)
    proc.kill()
    sys.exit("nginx did not start; see " + work + "/error.log")


def commands(tool, url, out, urls_file):
    if tool == "lanternway" or tool.startswith("lanternway="):
        binary = tool.partition("=")[2] or os.path.join(BUILD, "lanternway-get")
        return [binary, "--threads=10", "--quiet", url, os.path.join(out, "bench.lwa")]
    if tool == "complete":
        return [os.path.join(BUILD, "lanternway-get"), "--complete", "--threads=10", "--quiet",
                url, os.path.join(out, "bench.lwa")]
    if tool == "window":
        return [os.path.join(BUILD, "lw_window_run"), url, os.path.join(out, "bench.lwa"),
                "--threads=10"]
    if tool == "wget":
        return ["wget", "-r", "-l", "inf", "-p", "-k", "-nv", "-e", "robots=off", "-P", out, url]
    if tool == "wget2":
        return ["wget2", "-r", "-l", "inf", "-p", "-k", "-nv", "-e", "robots=off",
                "--max-threads=10", "-P", out, url]
    if tool == "httrack":
        return ["httrack", url, "-O", out, "-c10", "-A0", "-%c0", "-%!", "-s0", "-q"]
    if tool == "aria2c":
        return ["aria2c", "-j10", "-q", "--auto-file-renaming=false", "-d", out, "-i", urls_file]
    raise ValueError(tool)


def count(out):
    pages = images = 0
    for _, _, files in os.walk(out):
        for name in files:
            if name.startswith("p") and (name.endswith(".html") or name.endswith(".htm")):
                pages += 1
            elif name.startswith("i") and (name.endswith(".gif") or name.endswith(".jpg")):
                images += 1
    return pages, images


CONVERTED = re.compile(r"Converted links in (\d+) files in ([0-9.]+) seconds")


def run_once(tool, url, out, urls_file):
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    timing = out + ".time"
    cmd = ["/usr/bin/time", "-f", "%e %U %S %M", "-o", timing] + commands(tool, url, out, urls_file)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   stdin=subprocess.DEVNULL, env=env)
    with open(timing) as f:
        wall, user, system, rss = f.read().split()[-4:]
    return float(wall), float(user) + float(system), int(rss) / 1024.0, count(out)


def wget_conversion(url, base):
    """The seconds wget reports for its own link conversion (it says so only when verbose)."""
    out = os.path.join(base, "wget-verbose")
    shutil.rmtree(out, ignore_errors=True)
    done = subprocess.run(["wget", "-r", "-l", "inf", "-p", "-k", "-e", "robots=off", "-P", out,
                           url], capture_output=True, stdin=subprocess.DEVNULL)
    shutil.rmtree(out, ignore_errors=True)
    converted = CONVERTED.findall(done.stderr.decode("utf-8", "replace"))
    return float(converted[-1][1]) if converted else None


def time_conversion(url, base, runs):
    """lanternway's link conversion of the site's pages on its own, median seconds."""
    retrieved = os.path.join(base, "retrieved")
    shutil.rmtree(retrieved, ignore_errors=True)
    os.makedirs(retrieved)
    subprocess.run([os.path.join(BUILD, "lanternway-get"), "--threads=10", "--quiet",
                    "--no-convert", url, os.path.join(retrieved, "bench.lwa")], check=True,
                   stdout=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
    project = os.path.join(retrieved, "bench")
    os.remove(os.path.join(project, "bench.lwa"))
    times = []
    for _ in range(runs):
        copy = os.path.join(base, "convert-copy")
        shutil.rmtree(copy, ignore_errors=True)
        shutil.copytree(project, copy)
        done = subprocess.run([os.path.join(BUILD, "lw_convert_run"), copy, url], check=True,
                              capture_output=True, stdin=subprocess.DEVNULL)
        times.append(float(done.stdout.decode().strip()))
        shutil.rmtree(copy, ignore_errors=True)
    shutil.rmtree(retrieved, ignore_errors=True)
    return statistics.median(times)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--size", choices=SIZES, default="large")
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--disk", action="store_true", help="write the copies to disk, not a tmpfs")
    ap.add_argument("--tools", default="lanternway complete window wget2 aria2c wget httrack")
    args = ap.parse_args()

    site, pages, images = generate(args.size, args.seed)
    base = os.path.join(ROOT, "build", "bench-out")
    if not args.disk and os.path.isdir("/dev/shm") and os.access("/dev/shm", os.W_OK):
        base = "/dev/shm/lanternway-bench"
    os.makedirs(base, exist_ok=True)
    work = tempfile.mkdtemp(prefix="nginx-", dir=base)
    nginx, port = start_nginx(site, work)
    url = f"http://127.0.0.1:{port}/"
    urls_file = os.path.join(work, "urls.txt")
    with open(os.path.join(site, "urls.txt")) as src, open(urls_file, "w") as dst:
        for line in src:
            dst.write(f"http://127.0.0.1:{port}{line.strip()}\n")

    tools = args.tools.split()
    results = {t: [] for t in tools}
    wget_conversions = []
    lanternway_conversion = None
    failures = []
    try:
        for run in range(args.runs):
            for tool in tools:
                out = os.path.join(base, "copy-" + re.sub(r"[^A-Za-z0-9]", "_", tool))
                wall, cpu, rss, (got_pages, got_images) = run_once(tool, url, out, urls_file)
                if (got_pages, got_images) != (pages, images):
                    failures.append(f"{tool} run {run + 1}: {got_pages}/{pages} pages, "
                                    f"{got_images}/{images} images")
                results[tool].append((wall, cpu, rss))
                shutil.rmtree(out, ignore_errors=True)
        if "lanternway" in tools:
            lanternway_conversion = time_conversion(url, base, args.runs)
        if "wget" in tools:
            for _ in range(args.runs):
                seconds = wget_conversion(url, base)
                if seconds is not None:
                    wget_conversions.append(seconds)
    finally:
        nginx.terminate()
        nginx.wait()
        shutil.rmtree(work, ignore_errors=True)

    files = pages + images + 1
    where = "disk" if args.disk else "tmpfs"
    print(f"\nSite: {args.size} ({pages} pages, {images} images, seed {args.seed}), "
          f"{args.runs} runs each, output on {where}\n")
    # Each tool against the first in the same round: the machine's speed drifts between
    # rounds, and the ratio of neighbours is steadier than the ratio of medians.
    print("| tool | wall median (min-max) s | files/s | CPU s | peak RSS MB "
          "| time vs lanternway-get, per round | CPU vs lanternway-get, per round |")
    print("|---|---|---|---|---|---|---|")
    first = results[tools[0]]

    def paired(tool, i):
        ratios = [r[i] / f[i] for r, f in zip(results[tool], first) if f[i] > 0]
        if not ratios:
            return "-"
        return f"{statistics.median(ratios):.2f} ({min(ratios):.2f}-{max(ratios):.2f})"

    for tool in tools:
        walls = [r[0] for r in results[tool]]
        med = statistics.median(walls)
        cpu = statistics.median(r[1] for r in results[tool])
        rss = max(r[2] for r in results[tool])
        name = {"lanternway": "lanternway-get", "complete": "lanternway-get --complete",
                "window": "lanternway (window)"}.get(tool, tool)
        if tool.startswith("lanternway="):
            name = "lanternway-get " + tool.partition("=")[2]
        print(f"| {name} | {med:.2f} ({min(walls):.2f}-{max(walls):.2f}) | {files / med:.0f} | "
              f"{cpu:.2f} | {rss:.0f} | {paired(tool, 0)} | {paired(tool, 1)} |")
    if lanternway_conversion is not None:
        print(f"\nLink conversion of the {pages} pages on its own (median of {args.runs}):")
        print("\n| converter | seconds |\n|---|---|")
        print(f"| lanternway | {lanternway_conversion:.2f} |")
        if wget_conversions:
            print(f"| wget -k (as wget reports it, verbose run) | "
                  f"{statistics.median(wget_conversions):.2f} |")
    if failures:
        print("\nIncomplete copies:")
        for f in failures:
            print("  " + f)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
