"""Headless Chromium screenshots and their pixel difference, for bench/realsites."""

import os
import shutil
import subprocess
import tempfile
import urllib.parse

WIDTH, HEIGHT = 1280, 2000
FLAGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    f"--window-size={WIDTH},{HEIGHT}", "--hide-scrollbars",
    # Nothing but loopback: names resolve to nothing and any other address goes to a closed
    # local port, so neither the browser's own requests nor a page's leave the machine.
    "--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE 127.0.0.1",
    "--proxy-server=http://127.0.0.1:9",
]


def browser():
    return shutil.which("chromium") or shutil.which("chromium-browser")


def quote_path(path):
    return urllib.parse.quote(os.path.abspath(path))


def screenshot(url, png, work):
    """Renders url into png with a fresh profile; returns png, or None when no picture came."""
    exe = browser()
    if not exe:
        return None
    profile = tempfile.mkdtemp(prefix="chromium-", dir=work)
    try:
        subprocess.run([exe, *FLAGS, f"--user-data-dir={profile}", f"--screenshot={png}", url],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       stdin=subprocess.DEVNULL, timeout=120, start_new_session=True)
    except (OSError, subprocess.TimeoutExpired):
        return None
    finally:
        shutil.rmtree(profile, ignore_errors=True)
    return png if os.path.exists(png) and os.path.getsize(png) > 0 else None


def differing_pixels(a_path, b_path):
    """Pixels whose colour differs in any channel; where the sizes differ, the pixels outside
    the common area count as differing."""
    from PIL import Image, ImageChops

    with Image.open(a_path) as a_img, Image.open(b_path) as b_img:
        a, b = a_img.convert("RGB"), b_img.convert("RGB")
    width, height = min(a.width, b.width), min(a.height, b.height)
    box = (0, 0, width, height)
    r, g, bl = ImageChops.difference(a.crop(box), b.crop(box)).split()
    changed = ImageChops.lighter(ImageChops.lighter(r, g), bl)
    same = changed.histogram()[0]
    total = max(a.width * a.height, b.width * b.height)
    return total - same, total


def difference(reference, shot):
    if reference is None:
        return "no reference"
    if shot is None:
        return "render failed"
    try:
        diff, total = differing_pixels(reference, shot)
    except Exception as e:  # an unreadable picture is a row entry, not the end of the run
        return f"compare failed ({type(e).__name__})"
    return f"{diff:,} ({100.0 * diff / total:.2f} %)".replace(",", " ")
