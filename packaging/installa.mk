# Shared by the Makefile and packaging/windows/windows.mk.
# Installs the packages named in $(1) that are missing: as root by itself, otherwise it prints the
# one line to run and stops.
define installa
@missing=""; \
for p in $(1); do \
  dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
done; \
if [ -n "$$missing" ]; then \
  if [ "$$(id -u)" = "0" ]; then \
    apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $$missing; \
  else \
    echo "Pacchetti mancanti. Eseguire (come root, per esempio dopo su -, oppure con sudo):"; \
    echo "  apt-get install$$missing"; exit 1; \
  fi; \
fi
endef
