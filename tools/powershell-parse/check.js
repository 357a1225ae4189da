#!/usr/bin/env node
// Parses PowerShell files with the tree-sitter PowerShell grammar and fails on any syntax error
// (ERROR or MISSING node), printing where it is. Usage: node check.js file.ps1...
'use strict';

const fs = require('fs');
const path = require('path');

// The optimising wasm tier would spend seconds of CPU on the grammar for a parse of a few
// milliseconds; the baseline tier alone is plenty.
require('v8').setFlagsFromString('--liftoff-only');

function fail(message) {
    console.error('powershell-parse: ' + message);
    process.exit(1);
}

function load(name) {
    try {
        return require(name);
    } catch (e) {
        fail(name + ' is missing (' + e.code + '): run `npm ci --prefix ' + __dirname + '`');
    }
}

// Every ERROR or MISSING node, outermost first; the children of an ERROR node add nothing.
function syntaxErrors(node, found) {
    if (node.isMissing) {
        found.push({node, what: 'missing ' + node.type});
    } else if (node.isError) {
        found.push({node, what: 'unexpected text'});
        return found;
    }
    if (node.hasError) {
        for (const child of node.children) {
            syntaxErrors(child, found);
        }
    }
    return found;
}

async function main(files) {
    if (files.length === 0) {
        fail('usage: node check.js file.ps1...');
    }
    const {Parser, Language} = load('web-tree-sitter');
    let grammar;
    try {
        grammar = require.resolve('tree-sitter-powershell/tree-sitter-powershell.wasm');
    } catch (e) {
        load('tree-sitter-powershell/package.json');
        fail('tree-sitter-powershell has no tree-sitter-powershell.wasm');
    }
    await Parser.init();
    const parser = new Parser();
    parser.setLanguage(await Language.load(grammar));

    let failed = 0;
    for (const file of files) {
        const text = fs.readFileSync(file, 'utf8');
        const tree = parser.parse(text);
        const lines = text.split('\n');
        const lineCount = lines.length - (text.endsWith('\n') ? 1 : 0);
        const errors = syntaxErrors(tree.rootNode, []);
        for (const {node, what} of errors) {
            const row = node.startPosition.row;
            const column = node.startPosition.column;
            console.error(path.basename(file) + ':' + (row + 1) + ':' + (column + 1) +
                          ': syntax error: ' + what);
            console.error('    ' + (lines[row] || '').trimEnd());
        }
        if (errors.length === 0) {
            console.log(path.basename(file) + ': no syntax error (' + lineCount + ' lines)');
        } else {
            failed++;
        }
        tree.delete();
    }
    process.exit(failed === 0 ? 0 : 1);
}

main(process.argv.slice(2)).catch((e) => fail(e.stack || String(e)));
