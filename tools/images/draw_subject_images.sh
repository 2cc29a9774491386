#!/bin/sh
# Draws the subject-choice images into resources/ (or the directory given). Needs a C compiler, the
# cairo and pango development packages (libpango1.0-dev) and the font "Noto Sans CJK SC"
# (fonts-noto-cjk). The images are kept in the tree: the build does not run this.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-"$here/../../resources"}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cc -O2 -Wall -Wextra -o "$tmp/subject_images" "$here/subject_images.c" $(pkg-config --cflags --libs pangocairo) -lm
"$tmp/subject_images" "$out"
