-- Opens the scene given as the file to edit in headless Neovim, attaches
-- `qelplayer --lsp` with Neovim's own LSP client and writes the diagnostics
-- it receives ("LINE:COL: SEVERITY: MESSAGE", 1-based line) to the file
-- named by $QEL_NVIM_OUT, then quits.
local player = os.getenv('QEL_PLAYER')
local out = os.getenv('QEL_NVIM_OUT')
local done = false
vim.lsp.handlers['textDocument/publishDiagnostics'] = function(_, result)
  if done or result.uri ~= vim.uri_from_bufnr(0) then return end
  done = true
  local lines = {}
  for _, d in ipairs(result.diagnostics) do
    table.insert(lines, string.format('%d:%d: %d: %s', d.range.start.line + 1, d.range.start.character, d.severity, d.message))
  end
  vim.fn.writefile(lines, out)
end
local client = vim.lsp.start_client({ name = 'qelplayer', cmd = { player, '--lsp' }, root_dir = vim.fn.getcwd() })
vim.lsp.buf_attach_client(0, client)
vim.wait(10000, function() return done end, 50)
if not done then vim.fn.writefile({ 'no diagnostics' }, out) end
vim.cmd('qall!')
