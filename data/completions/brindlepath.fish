# fish completion for brindlepath

set -l commands create preview apply templates sort offload verify config integrate new open settings undo quit
set -l templates tikTokReels youTube photoShoot hybrid weddingEvent commercial
set -l extras none drone multiCam voiceRecorder musicLib clientDeliverables
set -l keys defaultTemplate defaultBasePath onboardingCompleted

complete -c brindlepath -f
complete -c brindlepath -n "not __fish_seen_subcommand_from $commands" -l help -d 'Show the help'
complete -c brindlepath -n "not __fish_seen_subcommand_from $commands" -l version -d 'Show the version'
complete -c brindlepath -n "not __fish_seen_subcommand_from $commands" -a create -d 'Create one project, or a batch'
complete -c brindlepath -n "not __fish_seen_subcommand_from $commands" -a preview -d 'Print the tree create would make'
complete -c brindlepath -n "not __fish_seen_subcommand_from $commands" -a apply -d 'Fill in an existing project'
complete -c brindlepath -n "not __fish_seen_subcommand_from $commands" -a templates -d 'Manage custom templates'
complete -c brindlepath -n "not __fish_seen_subcommand_from $commands" -a sort -d 'Sort loose files into a project'
complete -c brindlepath -n "not __fish_seen_subcommand_from $commands" -a config -d 'Read and write settings'
complete -c brindlepath -n "not __fish_seen_subcommand_from $commands" -a integrate -d "Add the file managers' quick action"
complete -c brindlepath -n "__fish_seen_subcommand_from integrate" -l remove -d 'Remove the quick action again'
complete -c brindlepath -n "not __fish_seen_subcommand_from $commands" -a new -d 'Open the project setup window'
complete -c brindlepath -n "not __fish_seen_subcommand_from $commands" -a open -d 'Open the setup window on a folder'
complete -c brindlepath -n "not __fish_seen_subcommand_from $commands" -a settings -d 'Open the settings window'
complete -c brindlepath -n "not __fish_seen_subcommand_from $commands" -a offload -d 'Copy a card, verified, with an ASC MHL history'
complete -c brindlepath -n "not __fish_seen_subcommand_from $commands" -a verify -d 'Re-hash a folder against its ASC MHL history'
complete -c brindlepath -n "not __fish_seen_subcommand_from $commands" -a undo -d 'Put back the files of the last sort'
complete -c brindlepath -n "not __fish_seen_subcommand_from $commands" -a quit -d 'Quit the agent'

set -l creating "__fish_seen_subcommand_from create preview save"
complete -c brindlepath -n $creating -l target -x -a '(__fish_complete_directories)' -d 'Target folder'
complete -c brindlepath -n $creating -l name -x -d 'Project name'
complete -c brindlepath -n $creating -l batch -r -F -d 'File with one name per line, or -'
complete -c brindlepath -n $creating -l template -x -a "$templates" -d 'Built-in template'
complete -c brindlepath -n $creating -l extras -x -a "$extras" -d 'Comma-separated extras, or none'
complete -c brindlepath -n $creating -l custom-template -x -d 'UUID of a custom template'
complete -c brindlepath -n $creating -l date -x -d 'Shoot day, YYYY-MM-DD'
complete -c brindlepath -n "__fish_seen_subcommand_from create" -l sort -d 'Sort loose files into the project'
complete -c brindlepath -n "__fish_seen_subcommand_from create preview list sort apply" -l json -d 'Print JSON'

complete -c brindlepath -n "__fish_seen_subcommand_from templates; and not __fish_seen_subcommand_from list save delete export import" -a 'list save delete export import'
complete -c brindlepath -n "__fish_seen_subcommand_from export import" -F
complete -c brindlepath -n "__fish_seen_subcommand_from sort" -l source -x -a '(__fish_complete_directories)' -d 'Folder with loose files'
complete -c brindlepath -n "__fish_seen_subcommand_from sort apply" -l into -x -a '(__fish_complete_directories)' -d 'Project folder'
complete -c brindlepath -n "__fish_seen_subcommand_from sort" -l dry-run -d 'Only print the moves'
complete -c brindlepath -n "__fish_seen_subcommand_from apply" -l dry-run -d 'Only print what would be added'
complete -c brindlepath -n "__fish_seen_subcommand_from apply" -l template -x -a "$templates" -d 'Built-in template'
complete -c brindlepath -n "__fish_seen_subcommand_from apply" -l extras -x -a "$extras" -d 'Comma-separated extras, or none'
complete -c brindlepath -n "__fish_seen_subcommand_from apply" -l custom-template -x -d 'UUID of a custom template'
complete -c brindlepath -n "__fish_seen_subcommand_from apply" -l field -x -d 'KEY=VALUE'
complete -c brindlepath -n "__fish_seen_subcommand_from config; and not __fish_seen_subcommand_from list get set unset" -a 'list get set unset'
complete -c brindlepath -n "__fish_seen_subcommand_from get set unset" -a "$keys"
complete -c brindlepath -n "__fish_seen_subcommand_from new open" -x -a '(__fish_complete_directories)'
complete -c brindlepath -n "__fish_seen_subcommand_from offload" -l from -x -a '(__fish_complete_directories)' -d 'Card or folder to copy'
complete -c brindlepath -n "__fish_seen_subcommand_from offload" -l into -x -a '(__fish_complete_directories)' -d 'Offload folder'
complete -c brindlepath -n "__fish_seen_subcommand_from offload" -l also -x -a '(__fish_complete_directories)' -d 'Second offload folder'
complete -c brindlepath -n "__fish_seen_subcommand_from offload" -l hash -x -a 'xxh128 xxh3 xxh64 md5' -d 'Checksum'
complete -c brindlepath -n "__fish_seen_subcommand_from offload" -l no-verify -d 'Do not read the copies back'
complete -c brindlepath -n "__fish_seen_subcommand_from offload verify" -l json -d 'Print JSON'
complete -c brindlepath -n "__fish_seen_subcommand_from verify" -x -a '(__fish_complete_directories)'
