-- pandoc filter for GUIA.html. It marks each program's section (a level-2 heading numbered
-- "1. ", "2. "...) with the class "programa", which print starts on a new page: the rule then
-- holds whatever ids pandoc derives from the headings' wording. It also takes the page title
-- from the guide's first heading, so the two never disagree.
local titulo

function Header(h)
  if h.level == 1 and not titulo then
    titulo = pandoc.utils.stringify(h.content)
  end
  if h.level == 2 and pandoc.utils.stringify(h.content):match("^%d+%.%s") then
    table.insert(h.classes, "programa")
  end
  return h
end

function Meta(meta)
  if not meta.pagetitle and not meta.title and titulo then
    meta.pagetitle = titulo
  end
  return meta
end
