"""Renders the user guide as one HTML page, with its pictures copied beside it.

    python3 guida_html.py GUIDA.md USCITA.html DIPENDENZE.d

The package installs the page and the Help menu opens it. The anchors are the ones the guide's own
index uses (accented letters kept, as on the code hosting sites that show the .md). A picture the
guide names and that does not exist stops the build. DIPENDENZE.d lists the guide and its pictures,
so that the page is made again when one of them changes.
"""

import html
import os
import re
import shutil
import sys

import markdown
from markdown.extensions.toc import slugify_unicode

STILE = """
body { font-family: sans-serif; max-width: 52em; margin: 1em auto; padding: 0 1em; line-height: 1.45; }
img { max-width: 100%; border: 1px solid #ccc; }
table { border-collapse: collapse; }
th, td { border: 1px solid #bbb; padding: 0.2em 0.5em; text-align: left; vertical-align: top; }
code, pre { background: #f4f4f4; }
pre { padding: 0.5em; overflow-x: auto; }
"""


def main():
    sorgente, uscita, dipendenze = sys.argv[1:4]
    with open(sorgente, encoding="utf-8") as f:
        testo = f.read()
    md = markdown.Markdown(extensions=["tables", "fenced_code", "toc"],
                           extension_configs={"toc": {"slugify": slugify_unicode}})
    corpo = md.convert(testo)
    titolo = re.search(r"^# (.+)$", testo, re.MULTILINE)
    titolo = titolo.group(1) if titolo else "Guida"

    origine = os.path.dirname(os.path.abspath(sorgente))
    destinazione = os.path.dirname(os.path.abspath(uscita))
    immagini = []
    for nome in re.findall(r'<img [^>]*src="([^"]+)"', corpo):
        if "://" in nome or os.path.isabs(nome):
            sys.exit(f"{sorgente}: l'immagine {nome} non è un file della guida")
        percorso = os.path.join(origine, nome)
        if not os.path.isfile(percorso):
            sys.exit(f"{sorgente}: manca l'immagine {nome}")
        copia = os.path.join(destinazione, nome)
        os.makedirs(os.path.dirname(copia), exist_ok=True)
        shutil.copyfile(percorso, copia)
        immagini.append(percorso)

    with open(uscita, "w", encoding="utf-8") as f:
        f.write('<!DOCTYPE html>\n<html lang="it">\n<head>\n<meta charset="utf-8">\n'
                f"<title>{html.escape(titolo, quote=False)}</title>\n<style>{STILE}</style>\n</head>\n<body>\n")
        f.write(corpo)
        f.write("\n</body>\n</html>\n")
    with open(dipendenze, "w", encoding="utf-8") as f:
        voci = " ".join(p.replace(" ", "\\ ") for p in [os.path.abspath(sorgente)] + immagini)
        f.write(f"{uscita}: {voci}\n")


if __name__ == "__main__":
    main()
