-- pandoc filter that makes clase/cuestionario.gift, the quizzes for Moodle, from the teacher's
-- edition: pandoc PROFESOR.md --from markdown-smart --lua-filter packaging/cuestionario.lua --to plain
--
-- In each program's section (a level-2 heading "N. programa"), the numbered list under
-- "### Un pequeño cuestionario" is its quiz: each item a question, then its options, one a line,
-- "option — what Moodle tells whoever picks it", the right one in bold. Each becomes a
-- multiple-choice question in Markdown titled <programa>-<n>, in a category per program.

local function texto(inlines)
  local escrito = pandoc.write(pandoc.Pandoc({pandoc.Plain(inlines)}), "markdown-smart",
                               {wrap_text = "wrap-none"})
  -- GIFT's own marks, each written with a backslash to stand for itself.
  return (escrito:gsub("\n$", ""):gsub("[~=#{}:]", "\\%0"))
end

-- An option, "answer — explanation": = for the right answer, in bold, ~ for the others.
local function opcion(bloques)
  local inlines = bloques[1].content
  local raya = assert(({inlines:find_if(function(i) return i.text == "—" end)})[2],
                      "an option without ' — ': " .. pandoc.utils.stringify(inlines))
  local respuesta = pandoc.List({table.unpack(inlines, 1, raya - 2)})
  local explicacion = pandoc.List({table.unpack(inlines, raya + 2)})
  local correcta = #respuesta == 1 and respuesta[1].t == "Strong"
  return string.format("    %s%s #%s", correcta and "=" or "~",
                       texto(correcta and respuesta[1].content or respuesta), texto(explicacion))
end

function Pandoc(documento)
  local gift = {"// Cuestionario de demos-objetos, hecho de los de PROFESOR.md para el banco de",
                "// preguntas de Moodle: Importar, formato GIFT, con «Obtener categoría del archivo».", ""}
  local programa, en_cuestionario
  for _, bloque in ipairs(documento.blocks) do
    local titulo = bloque.t == "Header" and pandoc.utils.stringify(bloque.content)
    if titulo and bloque.level <= 3 then
      programa = bloque.level == 2 and titulo:match("^%d+%.%s+(%w+)") or (bloque.level == 3 and programa)
      en_cuestionario = programa and titulo == "Un pequeño cuestionario"
    elseif en_cuestionario and bloque.t == "OrderedList" then
      table.insert(gift, "$CATEGORY: demos-objetos/" .. programa)
      for n, item in ipairs(bloque.content) do
        local opciones = {}
        for _, elegida in ipairs(item[2].content) do
          table.insert(opciones, opcion(elegida))
        end
        table.insert(gift, string.format("\n::%s-%d::[markdown]%s {\n%s\n}", programa, n,
                                         texto(item[1].content), table.concat(opciones, "\n")))
      end
      table.insert(gift, "")
    end
  end
  return pandoc.Pandoc({pandoc.RawBlock("plain", table.concat(gift, "\n"))})
end
