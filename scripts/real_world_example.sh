#!/usr/bin/env bash
# Makes docs/real-world.png: a world from a real elevation model, walked by
# the real program. The model is the 3-arc-second survey of the Jacksboro
# fault in Tennessee (403 x 344 points, 236 to 1076 m) that Debian's
# python-matplotlib-data ships as sample data; GDAL turns it into the 16-bit
# GeoTIFF that worldgen reads.
#   needs: apt-get install python-matplotlib-data gdal-bin
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build}
dem=/usr/share/matplotlib/mpl-data/sample_data/jacksboro_fault_dem.npz
if [ ! -f "$dem" ] || ! command -v gdal_translate >/dev/null; then
  echo "needs $dem and gdal_translate: apt-get install python-matplotlib-data gdal-bin" >&2
  exit 1
fi
work="$build/jacksboro"
rm -rf "$work" && mkdir -p "$work"

# The model is a NumPy array of signed 16-bit metres, north row first; raw
# bytes and an ENVI header (georeferenced to its place) are what GDAL needs.
python3 - "$dem" "$work" <<'PY'
import ast, struct, sys, zipfile
archive = zipfile.ZipFile(sys.argv[1])
def array(name):
    data = archive.read(name + ".npy")
    length = struct.unpack("<H", data[8:10])[0]
    return ast.literal_eval(data[10:10 + length].decode()), data[10 + length:]
header, heights = array("elevation")
rows, columns = header["shape"]
west = struct.unpack("<d", array("xmin")[1])[0]
step = struct.unpack("<d", array("dx")[1])[0]
north = struct.unpack("<d", array("ymin")[1])[0]
open(sys.argv[2] + "/jacksboro.bil", "wb").write(heights)
open(sys.argv[2] + "/jacksboro.hdr", "w").write(
    "ENVI\nsamples = %d\nlines = %d\nbands = 1\nheader offset = 0\nfile type = ENVI Standard\n"
    "data type = 2\ninterleave = bsq\nbyte order = 0\n"
    "map info = {Geographic Lat/Lon, 1, 1, %r, %r, %r, %r, WGS-84}\n" % (columns, rows, west, north, step, step))
PY
gdal_translate -q -of GTiff -ot Int16 "$work/jacksboro.bil" "$work/jacksboro.tif"
"$build/tools/worldgen" "$work/world" --heightmap "$work/jacksboro.tif"
"$build/tools/screenshot" "$work/world" docs/real-world.png
echo "wrote docs/real-world.png"
