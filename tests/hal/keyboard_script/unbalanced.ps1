# A block left open: the grammar check must refuse it.
function Test-Open {
    if ($args.Count -gt 0) {
        Write-Output 'open'
}
