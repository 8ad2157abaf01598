#!/bin/sh
# pdftotext for the tests under Wine, which cannot wait for a Linux program it starts: the text file
# appears whole, by a rename, once pdftotext has written it.
#   pdftotext-wine.sh FILE.pdf FILE.txt    (Unix paths)
pdftotext "$1" "$2.parziale" && mv "$2.parziale" "$2"
