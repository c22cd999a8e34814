# bash completion for quillon-convert
_quillon_convert() {
  local cur prev
  cur="${COMP_WORDS[COMP_CWORD]}"
  prev="${COMP_WORDS[COMP_CWORD-1]}"
  case "$prev" in
    -o|--output|--into|--report|--sites)
      COMPREPLY=($(compgen -f -- "$cur")); return ;;
    -c|--config)
      COMPREPLY=($(compgen -f -X '!*.[iI][nN][iI]' -- "$cur") $(compgen -d -- "$cur")); return ;;
    --folder|--out-folder)
      COMPREPLY=($(compgen -d -- "$cur")); return ;;
    --index)
      COMPREPLY=($(compgen -f -X '!*.@(klf|KLF|kez|KEZ)' -- "$cur") $(compgen -d -- "$cur")); return ;;
    --receiver)
      COMPREPLY=($(compgen -W "1 2" -- "$cur")); return ;;
    --data)
      COMPREPLY=($(compgen -W "freq,rssi freq,channel,rssi channel,rssi freq rssi" -- "$cur")); return ;;
    --delimiter)
      COMPREPLY=($(compgen -W "comma semicolon tab space" -- "$cur")); return ;;
    --format)
      COMPREPLY=($(compgen -W "csv gpkg tab mif shp fgb geojson kml postgis" -- "$cur")); return ;;
    --bin-crs)
      COMPREPLY=($(compgen -W "EPSG:" -- "$cur")); return ;;
    --fields|--skip-scans|--frequencies|--drop-outages|--bins|--pattern|--ext|--layer)
      return ;;
  esac
  if [[ "$cur" == -* ]]; then
    COMPREPLY=($(compgen -W "$(quillon-convert --help 2>/dev/null | grep -oE -- '--[a-z][a-z-]*|-[a-z]\b' | sort -u)" -- "$cur"))
  else
    COMPREPLY=($(compgen -f -X '!*.@(klf|KLF|kez|KEZ)' -- "$cur") $(compgen -d -- "$cur"))
  fi
}
complete -o filenames -F _quillon_convert quillon-convert
