-- pandoc filter for the two books as pages, GUIA.html and PROFESOR.html.
--
-- It marks each program's section (a level-2 heading numbered "1. ", "2. "...) with the class
-- "programa", which print starts on a new page: the rule then holds whatever ids pandoc derives
-- from the headings' wording. The book's first heading becomes its title, shown in the page's
-- header above the table of contents (packaging/libro.html), so title and heading never disagree.
--
-- A section whose heading carries the class "hoja" (in Markdown, `### Título {.hoja}`: the teacher's
-- edition's plan of each class) prints as a page of its own: the heading that ends it, the next one
-- of its level or higher, gets the class "tras-hoja", which starts the next page.
--
-- Each code block becomes a <pre> holding one <span> per source line, each a box of the block's
-- width (packaging/guia.css), with the source's line breaks between them: a long line then wraps
-- inside its box, which marks each continuation, and still copies as the one line it is. Only
-- the text is kept, with no highlighting.
local titulo

local function escapar(texto)
  return (texto:gsub("[&<>\"]", {["&"] = "&amp;", ["<"] = "&lt;", [">"] = "&gt;", ['"'] = "&quot;"}))
end

-- The level of the open "hoja" section, if any.
local hoja

function Header(h)
  if hoja and h.level <= hoja then
    table.insert(h.classes, "tras-hoja")
    hoja = nil
  end
  if h.classes:includes("hoja") then
    hoja = h.level
  end
  if h.level == 1 and not titulo then
    titulo = h.content
    return {}
  end
  if h.level == 2 and pandoc.utils.stringify(h.content):match("^%d+%.%s") then
    table.insert(h.classes, "programa")
  end
  return h
end

function CodeBlock(bloque)
  local lineas = {}
  -- Every line, the empty ones too: the text ends without a line break.
  for linea in (bloque.text .. "\n"):gmatch("([^\n]*)\n") do
    table.insert(lineas, '<span class="linea">' .. escapar(linea) .. "</span>")
  end
  local clases = table.concat(bloque.classes:map(escapar), " ")
  local clase = clases ~= "" and (' class="' .. clases .. '"') or ""
  local id = bloque.identifier ~= "" and (' id="' .. escapar(bloque.identifier) .. '"') or ""
  return pandoc.RawBlock("html", "<pre" .. id .. clase ..
                                 '><code>' .. table.concat(lineas, "\n") .. "</code></pre>")
end

function Meta(meta)
  if not meta.title and titulo then
    meta.title = titulo
  end
  return meta
end

-- Headers and code blocks first, so that Meta sees the title.
return {{Header = Header, CodeBlock = CodeBlock}, {Meta = Meta}}
