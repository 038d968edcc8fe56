// Starts `qelplayer --lsp` as the language server of scene files and runs
// `qelplayer --dap` for debug sessions of type "qel".
const vscode = require('vscode');
const { LanguageClient, TransportKind } = require('vscode-languageclient/node');

let client;

function playerPath() {
    return vscode.workspace.getConfiguration('qel').get('playerPath') || 'qelplayer';
}

function activate(context) {
    const server = { command: playerPath(), args: ['--lsp'], transport: TransportKind.stdio };
    client = new LanguageClient('qel', 'QEL Player', { run: server, debug: server }, {
        documentSelector: [{ scheme: 'file', language: 'qel' }],
    });
    client.start();
    context.subscriptions.push({ dispose: () => client && client.stop() });

    context.subscriptions.push(vscode.debug.registerDebugAdapterDescriptorFactory('qel', {
        createDebugAdapterDescriptor() {
            return new vscode.DebugAdapterExecutable(playerPath(), ['--dap']);
        },
    }));
}

function deactivate() {
    return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
