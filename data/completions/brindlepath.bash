# bash completion for brindlepath

_brindlepath()
{
    local cur prev words cword
    _init_completion || return

    local commands="create preview apply templates sort offload verify config integrate new open settings undo quit"
    local templates="tikTokReels youTube photoShoot hybrid weddingEvent commercial"
    local extras="none drone multiCam voiceRecorder musicLib clientDeliverables"
    local keys="defaultTemplate defaultBasePath onboardingCompleted"

    if ((cword == 1)); then
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
        return
    fi

    case $prev in
    --target | --source | --into | --from | --also)
        _filedir -d
        return
        ;;
    --batch)
        _filedir
        return
        ;;
    --template)
        COMPREPLY=($(compgen -W "$templates" -- "$cur"))
        return
        ;;
    --extras)
        local prefix=""
        [[ $cur == *,* ]] && prefix=${cur%,*},
        COMPREPLY=($(compgen -P "$prefix" -W "$extras" -- "${cur##*,}"))
        compopt -o nospace
        return
        ;;
    --hash)
        COMPREPLY=($(compgen -W "xxh128 xxh3 xxh64 md5" -- "$cur"))
        return
        ;;
    --custom-template | --name | --date)
        return
        ;;
    esac

    local create_options="--target --name --batch --template --extras --custom-template --date"
    case ${words[1]} in
    create)
        COMPREPLY=($(compgen -W "$create_options --sort --json" -- "$cur"))
        ;;
    preview)
        COMPREPLY=($(compgen -W "$create_options --json" -- "$cur"))
        ;;
    templates)
        if ((cword == 2)); then
            COMPREPLY=($(compgen -W "list save delete export import" -- "$cur"))
        elif [[ ${words[2]} == list ]]; then
            COMPREPLY=($(compgen -W "--json" -- "$cur"))
        elif [[ ${words[2]} == export || ${words[2]} == import ]]; then
            _filedir json
        elif [[ ${words[2]} == save ]] && ((cword > 3)); then
            COMPREPLY=($(compgen -W "$create_options" -- "$cur"))
        fi
        ;;
    sort)
        COMPREPLY=($(compgen -W "--source --into --dry-run --json" -- "$cur"))
        ;;
    offload)
        COMPREPLY=($(compgen -W "--from --into --also --hash --no-verify --json" -- "$cur"))
        ;;
    verify)
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "--json" -- "$cur"))
        else
            _filedir -d
        fi
        ;;
    apply)
        COMPREPLY=($(compgen -W "--into --template --custom-template --extras --field --dry-run --json" -- "$cur"))
        ;;
    config)
        if ((cword == 2)); then
            COMPREPLY=($(compgen -W "list get set unset" -- "$cur"))
        elif ((cword == 3)) && [[ ${words[2]} != list ]]; then
            COMPREPLY=($(compgen -W "$keys" -- "$cur"))
        fi
        ;;
    integrate)
        ((cword == 2)) && COMPREPLY=($(compgen -W "--remove" -- "$cur"))
        ;;
    new)
        ((cword == 2)) && _filedir -d
        ;;
    open)
        _filedir -d
        ;;
    esac
} &&
    complete -F _brindlepath brindlepath
