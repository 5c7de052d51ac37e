#!/bin/bash
# Fails when a source file includes across a forbidden direction. Each folder
# of src/ holds one job and uses only the folders below it: the table says
# which. Then a few finer rules: one a line, files (a pattern of paths under
# src/) ;; what they may not include (a pattern of the #include line) ;; why.
# Patterns are extended regular expressions.
#   tools/check_includes.sh [SOURCE_ROOT]
root=${1:-$(dirname "$0")/..}
cd "$root/src" || exit 2

# folder: the folders it may use besides itself
declare -A uses=(
    [base]=""
    [layout]="base"
    [files]="base layout"
    [decode]="base files"
    [schedule]="base"
    [report]="base files"
    [show]="base layout files schedule"
    [platform]="base"
    [stage]="base layout files decode platform"
    [display]="base layout files schedule decode show stage platform report"
    [editor/model]="base layout"
    [editor/controls]="base"
    [editor/canvas]="base layout files decode editor/model editor/controls"
    [editor/media]="base layout files editor/model editor/controls"
    [editor/displays]="base files report editor/controls"
    [editor/schedule]="base layout files schedule show stage editor/controls editor/media"
    [editor]="base layout files schedule decode show stage platform report editor/model editor/controls editor/canvas editor/media editor/schedule editor/displays"
    [app]="base layout files schedule decode show stage platform report display editor editor/model editor/controls editor/canvas editor/media"
)

widgets='<(QtWidgets/)?Q(Widget|Label|PushButton|LineEdit|ComboBox|Frame|GroupBox|RadioButton|MessageBox|FileDialog|Application|BoxLayout|VBoxLayout|HBoxLayout|Action|UndoStack|Painter|Image|Pixmap|GuiApplication|KeyEvent|MouseEvent)>'
core=$(sed -n '/^add_library(tessellview_core/,/^)/p' CMakeLists.txt | grep -o '[a-z_/]*/[a-z0-9_]*\.cpp' |
    sed 's/\.cpp$//' | tr '\n' '|' | sed 's/|$//')

views='"(editor/(split|window_commands|layout_presenter|layout_file_commands)|editor/canvas/(canvas_|layout_canvas|position_fields|window_pointer)|editor/media/(media_file_list|playlist_panel|switch_time_box|browse_folder))\.h"'
# The views that show the layout beside each other; none includes another.
panels='"(editor/canvas/position_fields|editor/media/(media_file_list|playlist_panel|switch_time_box)|editor/window_commands)\.h"'
rules=(
    "^($core)\.(h|cpp)$ ;; $widgets ;; the core needs no widget"
    "^($core)\.(h|cpp)$ ;; $views ;; the core, the model and the codec know no view"
    "^editor/ ;; \"editor/split\.h\" ;; only the form composes the views"
    "^editor/ ;; $panels ;; a view follows the model, not another view"
)

status=0
files=$(find . -name '*.h' -o -name '*.cpp' | sed 's|^\./||' | sort)
for file in $files; do
    folder=$(dirname "$file")
    if [ -z "${uses[$folder]+set}" ]; then
        echo "src/$file: $folder/ is in no row of the table in tools/check_includes.sh"
        status=1
        continue
    fi
    while IFS=: read -r line included; do
        used=$(dirname "$included")
        [ "$used" = "$folder" ] && continue
        [ -z "${uses[$used]+set}" ] && continue # not a folder of ours
        if ! [[ " ${uses[$folder]} " == *" $used "* ]]; then
            echo "src/$file:$line: $folder/ may not use $used/ (it uses ${uses[$folder]:-nothing})"
            status=1
        fi
    done < <(grep -noE '^#include +"[a-z0-9_/]+\.h"' "$file" | sed -E 's/^([0-9]+):#include +"(.*)"/\1:\2/')
done

for rule in "${rules[@]}"; do
    pattern=${rule%% ;; *}
    reason=${rule##* ;; }
    forbidden=${rule#* ;; }
    forbidden=${forbidden% ;; *}
    for file in $(grep -E "$pattern" <<<"$files"); do
        # A file may include its own header, the form composes them all, and
        # the file commands (Open, Save) act on the window commands.
        own="\"${file%.*}.h\""
        [ "$file" = editor/split.cpp ] && continue
        [ "$file" = editor/layout_file_commands.cpp ] && [ "$forbidden" = "$panels" ] && continue
        if hit=$(grep -nE "^#include +(${forbidden})" "$file" | grep -vF "$own"); then
            while IFS= read -r line; do
                echo "src/$file:$line: $reason"
            done <<<"$hit"
            status=1
        fi
    done
done
exit $status
