-- Title: Dithered Gradient
-- A top-to-bottom gradient between the primary and secondary pen colours,
-- ordered-dithered over the selection (or the whole bitmap without one).
-- Cells wholly inside take both colours; in a cell that is only partly
-- inside, a pixel takes its colour only where the cell can hold it without
-- changing its other pixels, else the other colour, else it stays as it was.
-- Arguments: FROM TO (colours 0-15) instead of the pen colours.

local from, to = pen()
from = tonumber(arg[1]) or from
to = tonumber(arg[2]) or to

local area = selection() or canvas.bitmap
local chosen = selection() ~= nil
local function inside(x, y)
  return x >= area.x and y >= area.y and x < area.x + area.width and y < area.y + area.height
    and (not chosen or selected(x, y))
end

local bayer = { 0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5 }
local function wanted(x, y)
  local t = area.height > 1 and (y - area.y) / (area.height - 1) or 0
  local threshold = (bayer[(y % 4) * 4 + (x % 4) + 1] + 0.5) / 16
  if t > threshold then return to, from end
  return from, to
end

-- Units wholly inside start over in their first pixel's colour.
local seen = {}
for y = area.y, area.y + area.height - 1 do
  local x = area.x
  while x < area.x + area.width do
    local u = unit(x, y)
    if not u then break end
    local key = u.x .. "," .. u.y
    if not seen[key] then
      seen[key] = true
      local whole = true
      for uy = u.y, u.y + u.height - 1 do
        for ux = u.x, u.x + u.width - 1 do
          if not inside(ux, uy) then whole = false break end
        end
        if not whole then break end
      end
      if whole then
        rect(u.x, u.y, u.x + u.width - 1, u.y + u.height - 1, (wanted(u.x, u.y)),
          { filled = true, width = 1, texture = 0 })
      end
    end
    x = u.x + u.width
  end
end

local kept = 0
for y = area.y, area.y + area.height - 1 do
  for x = area.x, area.x + area.width - 1 do
    if inside(x, y) then
      local want, other = wanted(x, y)
      if fits(x, y, want) then
        set(x, y, want)
      elseif fits(x, y, other) then
        set(x, y, other)
      else
        kept = kept + 1
      end
    end
  end
end
if kept > 0 then
  print(kept .. " pixels kept their colour to stay within their cell's colours")
end
