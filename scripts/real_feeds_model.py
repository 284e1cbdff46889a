#!/usr/bin/env python3
"""What a reader should put on air first for each feed of a folder.

An independent model built from Python's standard library only (codecs,
xml.etree, html, email.utils, datetime), not from the plug-in's code. For
every feed listed in the folder's MANIFEST.tsv it prints one tab-separated
line: file, the HTTP charset to serve it with, the newest item's title as it
should appear on air, and that item's moment in seconds since 1970 UTC
(empty when the item is undated).

Usage: real_feeds_model.py FEEDS_DIR > expected.tsv
"""
import codecs
import csv
import datetime
import email.utils
import html
import html.entities
import os
import re
import sys
import xml.etree.ElementTree as ET

ATOM10 = "http://www.w3.org/2005/Atom"
ATOM03 = "http://purl.org/atom/ns#"
RDF = "http://www.w3.org/1999/02/22-rdf-syntax-ns#"
RSS_NS = ("http://purl.org/rss/1.0/", "http://my.netscape.com/rdf/simple/0.9/", "")
DC = "http://purl.org/dc/elements/1.1/"

# Month and day names of the languages the feeds use, to English.
MONTHS = {
    "jan": ["gen", "ene", "janv", "янв"], "feb": ["fev", "fév", "févr", "фев"], "mar": ["mär", "mrz", "мар"],
    "apr": ["abr", "avr", "апр"], "may": ["mai", "mag", "мая", "май"], "jun": ["giu", "juin", "июн"],
    "jul": ["lug", "juil", "июл"], "aug": ["ago", "aoû", "авг"], "sep": ["set", "сен"],
    "oct": ["out", "ott", "okt", "окт"], "nov": ["ноя"], "dec": ["dic", "dez", "déc", "дек"],
}


# Labels Windows reads as one of its code pages where Python's codecs know
# the label not, or read it otherwise: ISO-8859-1 and US-ASCII as
# Windows-1252, as browsers do.
LABELS = {
    "iso-8859-1": "cp1252", "iso8859-1": "cp1252", "latin1": "cp1252", "latin-1": "cp1252", "l1": "cp1252",
    "us-ascii": "cp1252", "ascii": "cp1252", "windows-874": "cp874", "iso-8859-8-i": "iso-8859-8",
    "x-sjis": "cp932", "windows-31j": "cp932", "x-euc-jp": "euc-jp", "x-mac-roman": "mac-roman",
    "win-1251": "cp1251", "x-cp1251": "cp1251",
}


def windows_undefined(error):
    """Windows-1252's five holes (0x81, 0x8D, 0x8F, 0x90, 0x9D) are U+0081... there."""
    if error.encoding != "cp1252":
        raise error
    return "".join(chr(b) for b in error.object[error.start:error.end]), error.end


codecs.register_error("windows-undefined", windows_undefined)


def decode_as(data, label):
    codec = LABELS.get(label.strip().lower(), label.strip())
    return data.decode(codec, "windows-undefined" if codecs.lookup(codec).name == "cp1252" else "strict")


def decode(data, http_charset):
    """Bytes to text: byte-order mark, declaration, HTTP charset, UTF-8, Windows-1251."""
    for bom, name in ((codecs.BOM_UTF8, "utf-8"), (codecs.BOM_UTF16_LE, "utf-16-le"), (codecs.BOM_UTF16_BE, "utf-16-be")):
        if data.startswith(bom):
            return data[len(bom):].decode(name)
    m = re.match(rb"\s*<\?xml[^>]*?encoding\s*=\s*[\"']([^\"']+)[\"']", data)
    if m:
        return decode_as(data, m.group(1).decode("ascii"))
    if http_charset:
        return decode_as(data, http_charset)
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError:
        return data.decode("cp1251")


def replace_entities(text):
    """HTML's named entities as numeric references, outside CDATA and comments."""
    parts = re.split(r"(<!\[CDATA\[.*?\]\]>|<!--.*?-->)", text, flags=re.S)
    def one(m):
        name = m.group(1)
        if name in ("amp", "lt", "gt", "quot", "apos") or name not in html.entities.name2codepoint:
            return m.group(0)
        return "&#%d;" % html.entities.name2codepoint[name]
    return "".join(p if i % 2 else re.sub(r"&([A-Za-z0-9]+);", one, p) for i, p in enumerate(parts))


def parse(text):
    text = re.sub(r"^\s*<\?xml[^>]*\?>", "", text.lstrip("\ufeff \t\r\n"))
    text = re.sub(r"<!DOCTYPE[^\[>]*(\[.*?\])?\s*>", "", text, count=1, flags=re.S)
    return ET.fromstring(replace_entities(text))


def split(tag):
    return tuple(tag[1:].split("}", 1)) if tag.startswith("{") else ("", tag)


def text_of(el):
    return "".join(el.itertext())


def clean_plain(s):
    s = "".join(c for c in s if c.isspace() or ord(c) >= 0x20)
    return " ".join(s.split())


def clean(s):
    """Markup: tags dropped, references decoded."""
    return clean_plain(html.unescape(re.sub(r"<[^>]*>", "", s)))


def atom_title_is_plain(el):
    """An Atom title is markup only when its type says html (or Atom 0.3's mode, escaped)."""
    kind = (el.get("type") or "").strip().lower()
    return kind not in ("html", "text/html") and (el.get("mode") or "").strip().lower() != "escaped"


# Dates in numbers: year-month-day (with "-" or "/"), or day.month.year.
NUMERIC_DAY = (r"(?P<y>\d{4})(?P<sep>[-/])(?P<m>\d{1,2})(?P=sep)(?P<d>\d{1,2})",
               r"(?P<d>\d{1,2})\.(?P<m>\d{1,2})\.(?P<y>\d{4})")
NUMERIC_REST = (r"(?:(?:t| +)(?P<h>\d{1,2}):(?P<mi>\d{2})(?::(?P<s>\d{2})(?:[.,]\d+)?)?"
                r"\s*(?P<zone>(?:utc|gmt)?(?:z|[+-](?:\d{2}:?\d{2}|\d{1,2}))?))?$")


def parse_numeric_date(s):
    """A date in numbers, or None when it is not one; with no zone, local time."""
    for day in NUMERIC_DAY:
        m = re.match(day + NUMERIC_REST, s)
        if m:
            break
    else:
        return None
    g = m.groupdict()
    hour, minute, second = int(g["h"] or 0), int(g["mi"] or 0), int(g["s"] or 0)
    midnight_after = (hour, minute, second) == (24, 0, 0)  # ISO's end of the day
    try:
        moment = datetime.datetime(int(g["y"]), int(g["m"]), int(g["d"]), 0 if midnight_after else hour, minute, second)
        zone = (g["zone"] or "").lstrip("utcgm")
        if zone and zone != "z":
            digits = zone[1:].replace(":", "")
            east = datetime.timedelta(hours=int(digits[:2] if len(digits) == 4 else digits), minutes=int(digits[2:] or 0))
            moment = moment.replace(tzinfo=datetime.timezone(-east if zone[0] == "-" else east))
        elif g["zone"]:
            moment = moment.replace(tzinfo=datetime.timezone.utc)
    except ValueError:
        return None
    if midnight_after:
        moment += datetime.timedelta(days=1)
    # naive: the wall clock of this system (TZ), as the viewer's ticker reads it
    return int(moment.timestamp())


EARLIEST = 315532800  # 1980-01-01 UTC: a date read as earlier is a misreading, the item undated


def rfc822_zone(m):
    """GMT+3, UTC-05:30, GMT+0300 as +hhmm."""
    sign, hours, minutes = m.group(1), m.group(2), m.group(3)
    if minutes is None and len(hours) == 4:
        hours, minutes = hours[:2], hours[2:]
    return " %s%02d%02d" % (sign, int(hours), int(minutes or 0))


def parse_date(s):
    while re.search(r"\([^()]*\)", s):  # comments: JavaScript's "(Coordinated Universal Time)"
        s = re.sub(r"\([^()]*\)", " ", s)
    s = s.strip().lower()
    if not s:
        return None
    if re.match(r"\d{4}[-/]|\d{1,2}\.\d", s):
        moment = parse_numeric_date(s)
        return moment if moment is None or moment >= EARLIEST else None
    words = s.split()
    if "," in s:  # the day name goes; its language does not matter
        words = s.split(",", 1)[1].split()
    for i, w in enumerate(words):
        for english, names in MONTHS.items():
            if w.rstrip(".") in names:
                words[i] = english
    text = " ".join(words)
    # a zone glued to the clock, a fraction of a second, an offset after GMT or UTC
    text = re.sub(r"(\d:\d\d(?::\d\d)?)(?:\.\d+)?(?=[^\s\d:.])", r"\1 ", text)
    text = re.sub(r"(\d:\d\d(?::\d\d)?)\.\d+", r"\1", text)
    text = re.sub(r"\s(?:gmt|utc|ut)([+-])(\d{1,2}|\d{4})(?::(\d\d))?(?=\s|$)", rfc822_zone, text)
    if not re.search(r"(?<![\d+-])\d{4}(?![\d:])", text):  # a two-digit year reads as no date
        return None
    if not re.search(r"\d:\d\d(?::\d\d)?\s+\S", text):  # no zone after the clock: no date
        return None
    parsed = email.utils.parsedate_tz(text)
    if not parsed:
        return None
    moment = int(email.utils.mktime_tz(parsed))
    return moment if moment >= EARLIEST else None


def items(root):
    ns, local = split(root.tag)
    if (ns, local) == (ATOM10, "feed") or (ns, local) == (ATOM03, "feed"):
        # the publication first: an edit moves "updated" ("modified") only
        dates = ("published", "updated") if ns == ATOM10 else ("issued", "created", "modified")
        for entry in root.findall("{%s}entry" % ns):
            yield pick(entry, {(ns, "title"): 0}, {(ns, d): r for r, d in enumerate(dates)},
                       {(ns, "summary"): 0, (ns, "content"): 1}, atom=True)
    elif (ns, local) == (RDF, "RDF"):
        for child in root:
            cns, clocal = split(child.tag)
            if clocal == "item" and cns in RSS_NS:
                yield pick(child, {(n, "title"): 0 for n in RSS_NS}, {(DC, "date"): 0},
                           {(n, "description"): 0 for n in RSS_NS})
    else:
        # RSS's names are read in the namespace of its <rss>, whatever it is
        own = ns if local.lower() == "rss" else ""
        for el in root.iter("{%s}item" % own if own else "item"):
            yield pick(el, {("", "title"): 0}, {("", "pubdate"): 0, (DC, "date"): 1}, {("", "description"): 0},
                       fold=True, own=own)


def pick(item, titles, dates, descriptions, fold=False, own="", atom=False):
    best = {}
    for child in item:
        ns, local = split(child.tag)
        ns = "" if own and ns == own else ns
        key = (ns, local.lower() if fold and not ns else local)
        for field, table in (("title", titles), ("date", dates), ("description", descriptions)):
            rank = table.get(key)
            value = text_of(child)
            if rank is not None and value.strip() and (field not in best or rank <= best[field][0]):
                best[field] = (rank, value, child)
    found = {f: best[f][1] if f in best else "" for f in ("title", "date", "description")}
    found["plain_title"] = atom and "title" in best and atom_title_is_plain(best["title"][2])
    return found


def newest(path, http_charset):
    with open(path, "rb") as f:
        root = parse(decode(f.read(), http_charset))
    now = datetime.datetime.now(datetime.timezone.utc).timestamp()
    found = []
    for order, it in enumerate(items(root)):
        moment = parse_date(it["date"])
        if moment is not None and moment > now:
            continue
        title = (clean_plain if it["plain_title"] else clean)(it["title"]) or clean(it["description"])
        if not title:  # nothing to show: no item on air
            continue
        found.append((moment is None, -(moment or 0), order, title, moment))
    if not found:
        return None
    found.sort()
    return found[0][3], found[0][4]


def main():
    folder = sys.argv[1]
    with open(os.path.join(folder, "MANIFEST.tsv"), newline="", encoding="utf-8") as f:
        rows = list(csv.DictReader(f, delimiter="\t"))
    out = sys.stdout
    for row in rows:
        try:
            result = newest(os.path.join(folder, row["file"]), row["http_charset"])
        except Exception as e:  # the model itself cannot read it: say so, the check reports it
            print("%s: the model cannot read it: %s" % (row["file"], e), file=sys.stderr)
            result = None
        title, moment = result if result else ("", None)
        out.buffer.write(("%s\t%s\t%s\t%s\n" % (row["file"], row["http_charset"], title.replace("\t", " "),
                                                "" if moment is None else moment)).encode("utf-8"))


if __name__ == "__main__":
    main()
