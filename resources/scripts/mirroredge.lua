-- Title: Mirror Edge into Side Borders
-- Continues the picture into the side-border sprites of a side-border
-- canvas: each strip shows the bitmap's neighbouring edge mirrored. A
-- pixel whose sprite cannot take its colour takes the nearest colour the
-- sprite can show.

local bitmap, strips = canvas.bitmap, {}
for _, r in ipairs(canvas.regions) do
  if r.kind == "left" or r.kind == "right" then strips[#strips + 1] = r end
end
if #strips == 0 then
  print("This canvas has no side border sprites.")
  return
end

local function distance(a, b)
  local r1, g1, b1 = rgb(a)
  local r2, g2, b2 = rgb(b)
  return (r1 - r2) ^ 2 + (g1 - g2) ^ 2 + (b1 - b2) ^ 2
end

local function place(x, y, color)
  if fits(x, y, color) then
    set(x, y, color)
    return
  end
  local best, bestDistance = nil, math.huge
  for c = 0, 15 do
    local d = distance(c, color)
    if d < bestDistance and fits(x, y, c) then best, bestDistance = c, d end
  end
  if best then set(x, y, best) end
end

local left = bitmap.x
local right = bitmap.x + bitmap.width - 1
for _, strip in ipairs(strips) do
  for y = strip.y, strip.y + strip.height - 1 do
    local by = math.min(math.max(y, bitmap.y), bitmap.y + bitmap.height - 1)
    for x = strip.x, strip.x + strip.width - 1 do
      local bx
      if strip.kind == "left" then
        bx = math.min(left + (left - 1 - x), right)
      else
        bx = math.max(right - (x - right - 1), left)
      end
      place(x, y, get(bx, by))
    end
  end
end
