-- Title: Brick Wall
-- Fills the selection (or the whole bitmap) with a brick wall: bricks in
-- running bond with mortar joints, and on multicolor canvases a lighter
-- top edge on every brick. Bricks line up with the char cells, so each
-- cell needs only the brick, mortar and edge colours; where the wall meets
-- other artwork inside a cell, only what fits that cell is laid.
-- Arguments: BRICK MORTAR EDGE (colours, default red, grey, light red)

local brick = tonumber(arg[1]) or 2
local mortar = tonumber(arg[2]) or 12
local edge = tonumber(arg[3]) or 10
local area = selection() or canvas.bitmap
local chosen = selection() ~= nil
-- A brick is 16 x 8 screen pixels: 16 or 8 canvas pixels across.
local width = canvas.mode == "multicolor" and 8 or 16
local height = 8

local function inside(x, y)
  return x >= area.x and y >= area.y and x < area.x + area.width and y < area.y + area.height
    and (not chosen or selected(x, y))
end

local function colorAt(x, y)
  local shift = ((y // height) % 2) * (width // 2)
  local bx, by = (x + shift) % width, y % height
  if by == height - 1 or bx == width - 1 then return mortar end
  if by == 0 and canvas.mode == "multicolor" then return edge end
  return brick
end

-- Units wholly inside the wall start over in brick colour.
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
        rect(u.x, u.y, u.x + u.width - 1, u.y + u.height - 1, brick,
          { filled = true, width = 1, texture = 0 })
      end
    end
    x = u.x + u.width
  end
end

for y = area.y, area.y + area.height - 1 do
  for x = area.x, area.x + area.width - 1 do
    if inside(x, y) then
      local color = colorAt(x, y)
      if fits(x, y, color) then set(x, y, color) end
    end
  end
end
