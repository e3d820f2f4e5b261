#!/usr/bin/python3
"""Writes Korva1's copy of one of Wine's Tahoma fonts, which Wine measures
as wide as it draws it.

Usage: make_tahoma.py WINE_FONT.ttf OUTPUT.ttf

Wine's Tahoma has no TrueType instructions. Where hinting is on, FreeType
then hints it with its auto-hinter, and Wine measures text with those
hinted advances, which are a pixel wider than the font's own for many
letters; at 8 to 16 pixels Wine draws the font's 1-bit bitmaps, with their
narrower advances. So the form's texts are measured too wide for the
template's controls, and wrap or are cut. The copy adds two tables:
  prep  one instruction that puts FreeType's interpreter in native mode:
        it then runs the font's (empty) instructions, not the auto-hinter,
        and takes hinted advances from hdmx;
  hdmx  for each bitmap size the bitmaps' own advances, and the rounded
        outline advance for a glyph that has no bitmap.
At other sizes the advance is the outline's, rounded. Every other table
stays as Wine ships it, byte for byte: outlines, bitmaps, character map.
The output depends on the input's bytes only (no time stamp is renewed).
"""
import sys

from fontTools.ttLib import TTFont, newTable
from fontTools.ttLib.tables import ttProgram

# INSTCTRL selector 3, value 4: native hinting in FreeType's v40 interpreter.
NATIVE_MODE = ["PUSHB[ ]", "4 3", "INSTCTRL[ ]"]
HDMX_MAX = 255  # an hdmx width is one byte
# The tables of the glyphs' shapes, which the copy keeps byte for byte.
SHAPES = ("glyf", "loca", "EBDT", "EBLC", "cmap")


def bitmap_advances(font):
    """{pixels per em: {glyph name: advance}} of the font's bitmap sizes."""
    sizes = {}
    for strike, data in zip(font["EBLC"].strikes, font["EBDT"].strikeData):
        advances = sizes.setdefault(strike.bitmapSizeTable.ppemY, {})
        for table in strike.indexSubTables:
            shared = getattr(table, "metrics", None)  # formats 2 and 5: one record for all
            for name in table.names:
                metrics = shared if shared is not None else data[name].metrics
                advances[name] = metrics.horiAdvance if hasattr(metrics, "horiAdvance") else metrics.Advance
    return sizes


def device_widths(font):
    """The hdmx rows: {pixels per em: {glyph name: width}}."""
    units = font["head"].unitsPerEm
    widths = {}
    for ppem, advances in sorted(bitmap_advances(font).items()):
        row = {}
        for name in font.getGlyphOrder():
            outline = (font["hmtx"][name][0] * ppem + units // 2) // units
            # An advance of 0 is no bitmap: FreeType takes the outline there.
            row[name] = min(advances.get(name) or outline, HDMX_MAX)
        widths[ppem] = row
    return widths


def make(source, output):
    # The tables are read from a font of their own: a table that the
    # output's font never decodes is written as it was read.
    wine = TTFont(source)
    if "prep" in wine or "fpgm" in wine or "hdmx" in wine:
        sys.exit(f"make_tahoma.py: {source} has instructions or device widths of its own already")
    font = TTFont(source, recalcTimestamp=False, recalcBBoxes=False)
    prep = newTable("prep")
    prep.program = ttProgram.Program()
    prep.program.fromAssembly(NATIVE_MODE)
    font["prep"] = prep
    hdmx = newTable("hdmx")
    hdmx.hdmx = device_widths(wine)
    font["hdmx"] = hdmx
    font.save(output)
    made = TTFont(output)
    changed = [tag for tag in SHAPES if made.reader[tag] != wine.reader[tag]]
    if changed:
        sys.exit(f"make_tahoma.py: {output} would change {', '.join(changed)} of {source}")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__.split("\n\n")[1])
    make(sys.argv[1], sys.argv[2])
