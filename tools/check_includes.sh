#!/bin/bash
# Fails when a source file includes across a forbidden direction. The rules,
# one a line: files (a pattern of paths under src/) ;; what they may not
# include (a pattern of the #include line) ;; why. Patterns are extended
# regular expressions.
#   tools/check_includes.sh [SOURCE_ROOT]
root=${1:-$(dirname "$0")/..}
cd "$root/src" || exit 2

widgets='<(QtWidgets/)?Q(Widget|Label|PushButton|LineEdit|ComboBox|Frame|GroupBox|RadioButton|MessageBox|FileDialog|Application|BoxLayout|VBoxLayout|HBoxLayout|Action|UndoStack|Painter|Image|Pixmap|GuiApplication|KeyEvent|MouseEvent)>'
core=$(sed -n '/^add_library(tessellview_core/,/^)/p' CMakeLists.txt | grep -o '[a-z_]*/[a-z_]*\.cpp' |
    sed 's/\.cpp$//' | tr '\n' '|' | sed 's/|$//')

views='"(editor/(split|window_commands|layout_presenter)|geometry/(canvas_|layout_canvas|position_fields|window_pointer)|media/(media_file_list|playlist_panel|switch_time_box|browse_folder)|layoutfile/layout_file_commands)\.h"'
# The views that show the layout beside each other; none includes another.
panels='"(geometry/position_fields|media/(media_file_list|playlist_panel|switch_time_box)|editor/window_commands)\.h"'
rules=(
    "^($core)\.(h|cpp)$ ;; $widgets ;; the core needs no widget"
    "^($core)\.(h|cpp)$ ;; $views ;; the core, the model and the codec know no view"
    "^player/ ;; \"(editor|app|media|controls|display)/|$views ;; the player knows nothing of the editor, nor of the running show"
    "^display/ ;; \"(editor|app|media|controls|geometry)/|$views ;; the running show knows the stage, not the editor"
    "^controls/ ;; \"(editor|media|layoutfile|player|app)/ ;; the controls know nothing of the editor"
    "^(geometry|media|editor|layoutfile)/ ;; \"editor/split\.h\" ;; only the form composes the views"
    "^(geometry|media|editor)/ ;; $panels ;; a view follows the model, not another view"
)

status=0
for rule in "${rules[@]}"; do
    files=${rule%% ;; *}
    reason=${rule##* ;; }
    forbidden=${rule#* ;; }
    forbidden=${forbidden% ;; *}
    while IFS= read -r file; do
        # A file may include its own header, and the form composes them all.
        own="\"${file%.*}.h\""
        [ "$file" = editor/split.cpp ] && continue
        if hit=$(grep -nE "^#include +(${forbidden})" "$file" | grep -vF "$own"); then
            while IFS= read -r line; do
                echo "src/$file:$line: $reason"
            done <<<"$hit"
            status=1
        fi
    done < <(find . -name '*.h' -o -name '*.cpp' | sed 's|^\./||' | grep -E "$files")
done
exit $status
