# bash completion for aquenta-cli: verbs, their formats and options.
# Made by aquenta-cli --completion bash from its command table; do not edit.
_aquenta_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    local verb= at=0 i opts=
    local verbs="apply-control apply-hpr clear-z contours control convert-crs crossings crs delete-box edit enquire export filter flag-spikes gradient grid hi-pass history import info layout lines lo-pass new offsets open patch-test plot records redo remove report restore save sections self-test set status summary tide-compare tide-from-gnss time-frame undelete-box undo utm volume"
    for ((i = 1; i < COMP_CWORD; i++)); do
        case " $verbs " in *" ${COMP_WORDS[i]} "*) verb=${COMP_WORDS[i]}; at=$i ;; esac
    done
    case $prev in
        --tz) COMPREPLY=($(compgen -W "UTC" -- "$cur")); return ;;
        --units) COMPREPLY=($(compgen -W "logical survey" -- "$cur")); return ;;
    esac
    if [[ -z $verb ]]; then
        COMPREPLY=($(compgen -W "--tz --yes --no --help --version help $verbs" -- "$cur"))
        return
    fi
    local word=${COMP_WORDS[at+1]}
    case $verb in
        import)
            if ((COMP_CWORD == at + 1)); then
                COMPREPLY=($(compgen -W "brivel formatted geotronics ggk leica nmea pjk tide usarmy vivoz vkraw wtraw" -- "$cur")); return
            fi ;;
        export)
            if ((COMP_CWORD == at + 1)); then
                COMPREPLY=($(compgen -W "ascii csv dxf geotronics hpr hypack kml usarmy xyz" -- "$cur")); return
            fi ;;
        offsets)
            if ((COMP_CWORD == at + 1)); then
                COMPREPLY=($(compgen -W "depths positions tide" -- "$cur")); return
            fi ;;
        control)
            if ((COMP_CWORD == at + 1)); then
                COMPREPLY=($(compgen -W "add list unuse" -- "$cur")); return
            fi ;;
        filter)
            if ((COMP_CWORD == at + 1)); then
                COMPREPLY=($(compgen -W "range" -- "$cur")); return
            fi ;;
        set)
            if ((COMP_CWORD == at + 1)); then
                COMPREPLY=($(compgen -W "interp-limit undo-budget" -- "$cur")); return
            fi ;;
        layout)
            if ((COMP_CWORD == at + 1)); then
                COMPREPLY=($(compgen -W "save show" -- "$cur")); return
            fi ;;
    esac
    case "$verb $word" in
        "import brivel") opts="--no --yes" ;;
        "import vivoz") opts="--no --yes" ;;
        "import vkraw") opts="--gps-heights --no-gps-heights" ;;
        "import formatted") opts="--layout --no --yes" ;;
        "import nmea") opts="--no --yes" ;;
        "import geotronics") opts="--line-breaks --no-line-breaks" ;;
        "import usarmy") opts="--gps-heights --no-gps-heights" ;;
        "import tide") opts="--no --yes" ;;
        "export ascii") opts="--kinds" ;;
        "export dxf") opts="--kinds --layers" ;;
        "export geotronics") opts="--kinds" ;;
        "export usarmy") opts="--kinds" ;;
        "export xyz") opts="--kinds" ;;
        "export hypack") opts="--kinds" ;;
        "export kml") opts="--title" ;;
        "plot "*) opts="--box-size --colour-mode --format --pages --scale --show --size --text-size --title" ;;
        "offsets positions") opts="--east --elevation --north --time" ;;
        "offsets depths") opts="--depth --sound-velocity --time" ;;
        "offsets tide") opts="--tide --time" ;;
        "control add") opts="--grid --lat --lon --name" ;;
        "tide-from-gnss "*) opts="--antenna-height --datum-offset --geoid --heights --interval --max-gap --min-quality --no --separation --separation-grid --window --yes" ;;
        "tide-compare "*) opts="--antenna-height --datum-offset --geoid --heights --interval --max-gap --min-quality --plot --separation --separation-grid --size --window" ;;
        "filter range") opts="--end --qa --start --x --y --z" ;;
        "lines "*) opts="--cross --gap --gap-distance --ignore-events --min-length --tolerance --turn --turn-distance" ;;
        "crossings "*) opts="--cell --cross --csv --gap --gap-distance --ignore-events --max-distance --max-slope --min-length --nodes --surface --table --tolerance --turn --turn-distance" ;;
        "flag-spikes "*) opts="--cross --gap --gap-distance --ignore-events --k --max-depth --min-depth --min-length --order --tolerance --turn --turn-distance --window --window-metres" ;;
        "delete-box "*) opts="--units" ;;
        "undelete-box "*) opts="--units" ;;
        "time-frame "*) opts="--units" ;;
        "enquire "*) opts="--units" ;;
        "gradient "*) opts="--units" ;;
        "grid "*) opts="--also --bands --cell --crs --extent --max-edge --method --min-count --radius" ;;
        "contours "*) opts="--also --cell --crs --extent --from --interval --levels --max-edge --method --min-count --radius" ;;
        "volume "*) opts="--against --also --boundary --boundary-points --cell --centreline --csv --design --design-level --difference --max-edge --method --overdepth --report --spacing --step --surface --width" ;;
        "sections "*) opts="--against --also --boundary --centreline --design --design-level --max-edge --spacing --step --title --width" ;;
        "report "*) opts="--cell --cross --gap --gap-distance --ignore-events --max-distance --max-slope --min-length --nodes --surface --tolerance --turn --turn-distance" ;;
        "patch-test "*) opts="--units" ;;
        "layout save") opts="--description --type" ;;
        "edit "*) opts="--depth --tide --x --y --z" ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$opts" -- "$cur"))
    else
        COMPREPLY=($(compgen -f -- "$cur") $(compgen -W "$verbs" -- "$cur"))
    fi
}
complete -o filenames -F _aquenta_cli aquenta-cli
