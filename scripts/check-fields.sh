#!/usr/bin/env bash
# Fails when a window class named here keeps data in its public part: its
# state is reached through its methods, its controls by their object names.
set -euo pipefail
cd "$(dirname "$0")/.."
headers=(src/gui/MainWindow.h src/gui/ContainerTree.h src/gui/JobProgress.h src/gui/ExtractPrompt.h
  src/gui/OptionsDialog.h src/gui/ProgressDialog.h src/gui/ContainingDialog.h src/gui/AboutDialog.h
  src/gui/DecodeErrorDialog.h src/gui/ZipIntakeDialog.h src/gui/CreateXmitDialog.h)
status=0
for h in "${headers[@]}"; do
  awk -v file="$h" '
    /^ *(public|public slots|signals):/ { pub = 1; next }
    /^ *(private|protected|private slots|protected slots):/ { pub = 0; next }
    /^(class|struct) / { pub = 0 }  # value structs may be open; classes start private
    { line = $0; sub(/\/\/.*/, "", line) }
    pub && line ~ /;[[:space:]]*$/ && line !~ /[()]/ && line !~ /^[[:space:]]*(using|friend|typedef|enum|class|struct|Q_OBJECT|static constexpr|}|\))/ {
      printf "%s:%d: public data member: %s\n", file, NR, $0; bad = 1
    }
    END { exit bad }
  ' "$h" || status=1
done
exit $status
